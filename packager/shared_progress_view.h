// The worker's view of the progress window on any window system: new values go into the shared
// state under its lock, and only after the lock is released is the window told to show them.
#pragma once

#include "packager/progress_state.h"
#include "packager/progress_view.h"

namespace packager {

class SharedProgressView final : public ProgressView {
  public:
    SharedProgressView(ProgressState& state, ProgressDisplay& display)
        : state_(state), display_(display) {}

    void SetStatus(std::string_view phase) override;
    void SetProgress(std::uint32_t percent) override;
    bool IsCancelled() override { return state_.cancelEvent.IsSet(); }
    void HideWindow() override { display_.HideWindow(); }
    void HideCancelButton() override { display_.HideCancelButton(); }
    void ShowMessage(const MessageBoxSpec& box) override { display_.ShowMessage(box); }

  private:
    ProgressState& state_;
    ProgressDisplay& display_;
};

}  // namespace packager
