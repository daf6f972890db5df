// VEXOSetup's progress window on Win32: a fixed pop-up window with a caption bar and nothing
// else in it (no system menu, no minimise, maximise or close box), holding the status line (a
// STATIC control), the progress bar it paints itself, and the Cancel button. The program never
// destroys it: it disappears with the process (destroying it would only cost time at the end).
#pragma once

#include <optional>

#include "common/win32/windows_api.h"
#include "packager/message_boxes.h"
#include "packager/ui/win32/win32_progress_state.h"
#include "packager/window_layout.h"

namespace packager::win32 {

inline constexpr const char* kWindowClassName = "VEXOPackage";

class ProgressWindow {
  public:
    explicit ProgressWindow(Win32ProgressState& state) : state_(state) {}
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Creates the shared state's lock and event, the window class, the window centred on the
    // desktop and its two children, and shows them all; the step that failed, if one did (a
    // call that fails for want of memory fails its step).
    std::optional<SetupStep> Create(HINSTANCE instance);

    HWND Main() const { return main_; }
    HWND Status() const { return status_; }
    HWND Cancel() const { return cancel_; }

    // Gives the status control its new text and has it redrawn (from either thread).
    void ShowStatusLine(const char* line);
    // Has the bar redrawn from the shared state.
    void InvalidateBar();
    // Plain hide requests; the window is updated once hidden.
    void Hide();
    void HideCancelButton();

    // The progress bar's part of the client area, as it is now.
    RECT BarRect() const;

  private:
    static LRESULT CALLBACK PackageWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void PaintBar();
    void PressCancel();
    HWND CreateChild(HINSTANCE instance, const char* className, const char* text, DWORD style,
                     const PixelRect& place);

    Win32ProgressState& state_;
    HWND main_ = nullptr;
    HWND status_ = nullptr;
    HWND cancel_ = nullptr;
};

}  // namespace packager::win32
