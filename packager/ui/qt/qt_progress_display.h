// The progress window's operations for the worker thread, carried out on the window thread.
// Status and bar updates are queued; hiding and message boxes return only once the window
// thread has done them (a box once it was dismissed). The window thread never waits for the
// worker while it runs, so the worker's waits always end; and when the program must end
// without its window (the display is lost), Detach ends them at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

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

    // From now on a box is reported on stderr instead of waiting for the user: after a stop
    // signal nobody may be there to answer it.
    void AnswerBoxesWithoutAsking() { autoAnswer_.store(true); }
    // The window thread will do nothing more for the worker: every call returns at once, a
    // waiting one included.
    void Detach();
    bool Detached() const { return detached_.load(); }

  private:
    // Runs the operation on the window thread and waits until it has run or the display was
    // detached.
    void RunAndWait(std::function<void()> operation);

    ProgressWindow& window_;
    std::atomic<bool> autoAnswer_;
    std::atomic<bool> detached_{false};
    std::mutex mutex_;
    std::condition_variable finished_;
    std::uint64_t lastIssued_ = 0;    // guarded by mutex_; the worker's waits, one at a time
    std::uint64_t lastFinished_ = 0;  // guarded by mutex_
};

}  // namespace packager::qt
