// A window shown modally over an owner, the way a form shown modally behaves: the owner takes
// no input while the window is open, and gets it back, active again, as the window goes.
#pragma once

#include <windows.h>

namespace plumex::win32 {

// The window of a form shown modally over an owner (nullptr: none). The owner is disabled from
// the start and gets its input back, active again, when the window closes: before the window
// is destroyed, so that the activation goes to the owner and not to another program's window.
class ModalWindow {
  public:
    explicit ModalWindow(HWND owner);
    ~ModalWindow();
    ModalWindow(const ModalWindow&) = delete;
    ModalWindow& operator=(const ModalWindow&) = delete;

    // nullptr before the window is created and once it is gone.
    HWND Handle() const { return window_; }

    // Takes the window on as it is being created (WM_NCCREATE), so that the messages of its
    // creation already find it; Forget when it is gone (WM_NCDESTROY).
    void Adopt(HWND window) { window_ = window; }
    void Forget() { window_ = nullptr; }

    // Shows the window and handles the thread's messages until it is destroyed. A quit message
    // met on the way is posted again for the program's own loop and ends the wait; the window
    // is then closed when its holder goes.
    void Run();

    // Gives back the mouse and the owner, then destroys the window; later calls do nothing.
    void Close();

  private:
    HWND owner_ = nullptr;
    bool reenableOwner_ = false;
    HWND window_ = nullptr;
};

// A window procedure for windows whose object is passed as the creation parameter: the object's
// HandleMessage(HWND, UINT, WPARAM, LPARAM) answers every message from WM_NCCREATE on. No
// exception leaves it: a message whose handling throws gets the default answer.
template <typename Window>
LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* object = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    if (object == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    try {
        return object->HandleMessage(window, message, wParam, lParam);
    } catch (...) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Registers, once per program, a class of windows answered by ObjectWindowProc<Window>: the
// arrow cursor, and the icon resource iconId in its large and small size (0: none). False when
// the class can be neither found nor registered.
template <typename Window>
bool RegisterObjectWindowClass(const char* name, int iconId = 0) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    if (GetClassInfoExA(instance, name, &windowClass)) {
        return true;
    }
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ObjectWindowProc<Window>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    if (iconId != 0) {
        // Shared with the module: nothing to destroy.
        windowClass.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(iconId),
                                                          IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                          GetSystemMetrics(SM_CYICON), LR_SHARED));
        windowClass.hIconSm = static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    }
    windowClass.lpszClassName = name;
    return RegisterClassExA(&windowClass) != 0;
}

}  // namespace plumex::win32
