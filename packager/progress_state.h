// The state VEXOSetup's two threads share: the status line and the bar's percentage, which the
// worker writes and the window paints, and the cancel request, which the Cancel button sets
// and the worker polls. The lock is held only while one of the two fields is copied or stored,
// never while its holder waits for the other thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "packager/status_line.h"

namespace packager {

// A manual-reset event, created unset: once set it stays set. It is polled, never waited on.
class CancelEvent {
  public:
    void Set() noexcept { set_.store(true, std::memory_order_release); }
    bool IsSet() const noexcept { return set_.load(std::memory_order_acquire); }

  private:
    std::atomic<bool> set_{false};
};

struct ProgressState {
    std::mutex stateLock;
    std::string statusText{kInitialStatusLine};  // guarded by stateLock
    std::uint32_t progressPercent = 0;           // guarded by stateLock; 0 is an empty bar
    CancelEvent cancelEvent;

    // Stores the phase's status line and returns it, for the status control.
    std::string StoreStatus(std::string_view phase);
    void StorePercent(std::uint32_t percent);
    std::string CopyStatus();
    // The percentage to paint: a stored value above 100 is lowered to 100, in the state too.
    std::uint32_t PercentForPainting();
};

}  // namespace packager
