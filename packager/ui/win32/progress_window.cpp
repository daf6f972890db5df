#include "packager/ui/win32/progress_window.h"

#include <new>
#include <string_view>

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
    // Each step is named before it runs, so that memory running out fails the step at hand as
    // its own call failing would.
    SetupStep step = SetupStep::CreateMutex;
    try {
        if (!state_.CreateLock()) {
            return step;
        }
        step = SetupStep::CreateEvent;
        if (!state_.CreateCancelEvent()) {
            return step;
        }
        step = SetupStep::DesktopRect;
        RECT desktop{};
        if (!::GetClientRect(::GetDesktopWindow(), &desktop)) {
            return step;
        }
        step = SetupStep::RegisterClass;
        if (!RegisterWindowClass(instance, PackageWndProc)) {
            return step;
        }
        state_.Reset();

        step = SetupStep::CreateMainWindow;
        const PixelPoint origin =
            CentredWindowOrigin(desktop.right - desktop.left, desktop.bottom - desktop.top);
        const std::string caption(kWindowCaption);
        main_ = ::CreateWindowExA(0, kWindowClassName, caption.c_str(), WS_POPUP | WS_CAPTION,
                                  origin.x, origin.y, kWindowWidth, kWindowHeight, nullptr, nullptr,
                                  instance, this);
        if (main_ == nullptr) {
            return step;
        }
        step = SetupStep::MainWindowRect;
        RECT client{};
        if (!::GetClientRect(main_, &client)) {
            return step;
        }
        const ProgressWindowLayout layout = LayOutProgressWindow(client.right, client.bottom);

        step = SetupStep::CreateStatus;
        status_ = CreateChild(instance, "STATIC", state_.CopyStatus(), SS_CENTER | SS_CENTERIMAGE,
                              layout.status.left, layout.status.top, layout.status.width,
                              layout.status.height);
        if (status_ == nullptr) {
            return step;
        }
        step = SetupStep::CreateCancel;
        cancel_ = CreateChild(instance, "BUTTON", std::string(kCancelCaption),
                              BS_PUSHBUTTON | BS_CENTER | BS_VCENTER, layout.cancel.left,
                              layout.cancel.top, layout.cancel.width, layout.cancel.height);
        if (cancel_ == nullptr) {
            return step;
        }

        step = SetupStep::UpdateMainWindow;
        ::ShowWindow(main_, SW_SHOWNORMAL);
        if (!::UpdateWindow(main_)) {
            return step;
        }
        step = SetupStep::UpdateStatus;
        ::ShowWindow(status_, SW_SHOWNORMAL);
        if (!::UpdateWindow(status_)) {
            return step;
        }
        step = SetupStep::UpdateCancel;
        ::ShowWindow(cancel_, SW_SHOWNORMAL);
        if (!::UpdateWindow(cancel_)) {
            return step;
        }
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return step;
    }
}

HWND ProgressWindow::CreateChild(HINSTANCE instance, const char* className, const std::string& text,
                                 DWORD style, int left, int top, int width, int height) {
    // No identifier and no font of its own; shown once everything exists.
    return ::CreateWindowExA(0, className, text.c_str(), WS_CHILD | style, left, top, width, height,
                             main_, nullptr, instance, nullptr);
}

void ProgressWindow::ShowStatusLine(const std::string& line) {
    ::SendMessageA(status_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str()));
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
    // Called from the system's dispatch of the click, which no exception can cross: without the
    // memory for the new status line the old one stays, and the request counts all the same.
    try {
        ShowStatusLine(state_.StoreStatus(kCancellingPhase));
    } catch (const std::bad_alloc&) {
    }
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
