#include "importer/ui/win32/modal_window.h"

#include <utility>

namespace plumex::win32 {

ModalWindow::ModalWindow(HWND owner) : owner_(owner) {
    // EnableWindow answers whether the window was disabled before: a nested modal window
    // leaves its owner as it found it.
    if (owner_ != nullptr && IsWindow(owner_)) {
        reenableOwner_ = !EnableWindow(owner_, FALSE);
    }
}

ModalWindow::~ModalWindow() {
    Close();
}

void ModalWindow::Run() {
    if (window_ == nullptr) {
        return;
    }
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    MSG message{};
    while (window_ != nullptr) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1) {
            break;
        }
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void ModalWindow::Close() {
    if (window_ != nullptr && GetCapture() == window_) {
        ReleaseCapture();
    }
    const HWND owner = std::exchange(owner_, nullptr);
    if (owner != nullptr && IsWindow(owner)) {
        if (std::exchange(reenableOwner_, false)) {
            EnableWindow(owner, TRUE);
        }
        if (IsWindowVisible(owner)) {
            SetActiveWindow(owner);
        }
    }
    if (const HWND window = std::exchange(window_, nullptr); window != nullptr) {
        DestroyWindow(window);
    }
}

}  // namespace plumex::win32
