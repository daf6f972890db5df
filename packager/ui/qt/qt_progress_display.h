// The progress window's operations for the worker thread, carried out on the window thread.
// Status and bar updates are queued; hiding and message boxes return only once the window
// thread has done them (a box once it was dismissed). The window thread never waits for the
// worker while it runs, so the worker's waits always end.
#pragma once

#include "packager/progress_view.h"
#include "packager/ui/qt/progress_window.h"

namespace packager::qt {

class QtProgressDisplay final : public ProgressDisplay {
  public:
    QtProgressDisplay(ProgressWindow& window, bool autoAnswer)
        : window_(window), autoAnswer_(autoAnswer) {}

    void ShowStatusLine(std::string_view line) override;
    void InvalidateBar() override;
    void HideWindow() override;
    void HideCancelButton() override;
    void ShowMessage(const MessageBoxSpec& box) override;

  private:
    ProgressWindow& window_;
    bool autoAnswer_;
};

}  // namespace packager::qt
