#include "packager/ui/win32/progress_window.h"

#include "common/win32/scoped_win.h"
#include "packager/ui/win32/bar_image.h"
#include "packager/ui/win32/resource_ids.h"
#include "packager/window_layout.h"

namespace packager::win32 {

namespace {

ProgressWindow* WindowOf(HWND window) {
    return reinterpret_cast<ProgressWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    const HICON icon = ::LoadIconA(instance, MAKEINTRESOURCEA(VEXO_SETUP_ICON));
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // Redrawn whole when its width or height changes; no extra class or window bytes.
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kWindowClassName;
    // A class lives as long as the process: one registered by an earlier window serves again.
    return ::RegisterClassExA(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

std::optional<SetupStep> ProgressWindow::Create(HINSTANCE instance) {
    if (!state_.CreateLock()) {
        return SetupStep::CreateMutex;
    }
    if (!state_.CreateCancelEvent()) {
        return SetupStep::CreateEvent;
    }
    RECT desktop{};
    if (!::GetClientRect(::GetDesktopWindow(), &desktop)) {
        return SetupStep::DesktopRect;
    }
    if (!RegisterWindowClass(instance, PackageWndProc)) {
        return SetupStep::RegisterClass;
    }
    state_.Reset();

    const PixelPoint origin =
        CentredWindowOrigin(desktop.right - desktop.left, desktop.bottom - desktop.top);
    // The captions are string literals, whose own NUL ends them.
    main_ = ::CreateWindowExA(0, kWindowClassName, kWindowCaption.data(), WS_POPUP | WS_CAPTION,
                              origin.x, origin.y, kWindowWidth, kWindowHeight, nullptr, nullptr,
                              instance, this);
    if (main_ == nullptr) {
        return SetupStep::CreateMainWindow;
    }
    RECT client{};
    if (!::GetClientRect(main_, &client)) {
        return SetupStep::MainWindowRect;
    }
    const ProgressWindowLayout layout = LayOutProgressWindow(client.right, client.bottom);

    StatusLine status;
    state_.CopyStatus(status);
    status_ =
        CreateChild(instance, "STATIC", status.data(), SS_CENTER | SS_CENTERIMAGE, layout.status);
    if (status_ == nullptr) {
        return SetupStep::CreateStatus;
    }
    cancel_ = CreateChild(instance, "BUTTON", kCancelCaption.data(),
                          BS_PUSHBUTTON | BS_CENTER | BS_VCENTER, layout.cancel);
    if (cancel_ == nullptr) {
        return SetupStep::CreateCancel;
    }

    ::ShowWindow(main_, SW_SHOWNORMAL);
    if (!::UpdateWindow(main_)) {
        return SetupStep::UpdateMainWindow;
    }
    ::ShowWindow(status_, SW_SHOWNORMAL);
    if (!::UpdateWindow(status_)) {
        return SetupStep::UpdateStatus;
    }
    ::ShowWindow(cancel_, SW_SHOWNORMAL);
    if (!::UpdateWindow(cancel_)) {
        return SetupStep::UpdateCancel;
    }
    return std::nullopt;
}

HWND ProgressWindow::CreateChild(HINSTANCE instance, const char* className, const char* text,
                                 DWORD style, const PixelRect& place) {
    // No identifier and no font of its own; shown once everything exists.
    return ::CreateWindowExA(0, className, text, WS_CHILD | style, place.left, place.top,
                             place.width, place.height, main_, nullptr, instance, nullptr);
}

void ProgressWindow::ShowStatusLine(const char* line) {
    ::SendMessageA(status_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line));
    ::InvalidateRect(status_, nullptr, FALSE);
}

RECT ProgressWindow::BarRect() const {
    RECT client{};
    ::GetClientRect(main_, &client);
    const PixelRect bar = LayOutProgressWindow(client.right, client.bottom).bar;
    return {bar.left, bar.top, bar.left + bar.width, bar.top + bar.height};
}

void ProgressWindow::InvalidateBar() {
    const RECT bar = BarRect();
    ::InvalidateRect(main_, &bar, FALSE);
}

void ProgressWindow::Hide() {
    ::ShowWindow(main_, SW_HIDE);
    ::UpdateWindow(main_);
}

void ProgressWindow::HideCancelButton() {
    ::ShowWindow(cancel_, SW_HIDE);
}

void ProgressWindow::PressCancel() {
    // Hidden at the first press, so the button cannot be pressed twice.
    ::ShowWindow(cancel_, SW_HIDE);
    ::UpdateWindow(cancel_);
    StatusLine line;
    state_.StoreStatus(kCancellingPhase, line);
    ShowStatusLine(line.data());
    state_.SetCancelled();
}

void ProgressWindow::PaintBar() {
    // Drawn off screen and copied in one step, so that the bar does not flicker as it is redrawn
    // after every block.
    const common::win32::PaintSession paint(main_);
    const RECT bar = BarRect();
    const int width = bar.right - bar.left;
    const int height = bar.bottom - bar.top;
    const common::win32::MemoryDc memory(paint.Dc());
    const common::win32::GdiObject<HBITMAP> bitmap(
        ::CreateCompatibleBitmap(paint.Dc(), width, kBarImageHeight));
    if (!memory || !bitmap) {
        return;
    }
    const common::win32::SelectedObject selected(memory.Get(), bitmap.Get());
    DrawBarImage(memory.Get(), width, height, state_.PercentForPainting());
    ::BitBlt(paint.Dc(), bar.left, bar.top, width, height, memory.Get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK ProgressWindow::PackageWndProc(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    ProgressWindow* self = WindowOf(window);
    switch (message) {
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        case WM_PAINT:
            if (self != nullptr) {
                self->PaintBar();
                return 0;
            }
            break;
        case WM_CLOSE:
            // The window has no close box; Alt+F4 would otherwise destroy it while the worker
            // still reports to it.
            return 0;
        case WM_COMMAND:
            // The Cancel button is the only child that sends commands.
            if (self != nullptr) {
                self->PressCancel();
            }
            break;
        default:
            break;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace packager::win32
