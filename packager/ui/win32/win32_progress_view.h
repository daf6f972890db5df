// The worker's view of the Win32 progress window. New values go into the shared state under its
// lock, and only after the lock is released is the window told to show them. The calls are made
// on the worker thread: the status text is sent to the control and hiding is requested there
// (both complete once the window thread, which keeps handling messages while the worker runs,
// has done them), and the message boxes are shown from the worker thread itself.
#pragma once

#include "packager/progress_view.h"
#include "packager/ui/win32/progress_window.h"
#include "packager/ui/win32/win32_progress_state.h"

namespace packager::win32 {

class Win32ProgressView final : public ProgressView {
  public:
    Win32ProgressView(Win32ProgressState& state, ProgressWindow& window, bool autoAnswer)
        : state_(state), window_(window), autoAnswer_(autoAnswer) {}

    void SetStatus(std::string_view phase) override;
    void SetProgress(std::uint32_t percent) override;
    bool IsCancelled() override { return state_.IsCancelled(); }
    void HideWindow() override { window_.Hide(); }
    void HideCancelButton() override { window_.HideCancelButton(); }
    void ShowMessage(const MessageBoxSpec& box) override;

  private:
    Win32ProgressState& state_;
    ProgressWindow& window_;
    bool autoAnswer_;
};

}  // namespace packager::win32
