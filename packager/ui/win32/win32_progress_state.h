// The state VEXOSetup's two threads share, on Win32 objects: the status line and the bar's
// percentage under stateLock, a mutex private to the process, and the cancel request as a
// manual-reset event that the Cancel button sets and the worker polls. The lock is held only
// while one of the two fields is copied or stored, never while its holder waits for the other
// thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32/scoped_win.h"
#include "packager/progress_state.h"

namespace packager::win32 {

class Win32ProgressState {
  public:
    // Each false when the object could not be created.
    bool CreateLock();
    bool CreateCancelEvent();

    // Back to "Initializing ... Please Wait" and an empty bar.
    void Reset();
    // Stores the phase's status line and returns it, for the status control.
    std::string StoreStatus(std::string_view phase);
    void StorePercent(std::uint32_t percent);
    std::string CopyStatus();
    // The percentage to paint: a stored value above 100 is lowered to 100, in the state too.
    std::uint32_t PercentForPainting();

    void SetCancelled() { ::SetEvent(cancelEvent_.Get()); }
    // Polls the event; never waits.
    bool IsCancelled() const {
        return ::WaitForSingleObject(cancelEvent_.Get(), 0) == WAIT_OBJECT_0;
    }

  private:
    common::win32::UniqueHandle stateLock_;
    common::win32::UniqueHandle cancelEvent_;
    // Guarded by stateLock_. None stands for the initial line, so that making the state (before
    // the set-up's steps, which report memory running out) and resetting it take no memory.
    std::optional<std::string> statusText_;
    std::uint32_t progressPercent_ = 0;  // guarded by stateLock_; 0 is an empty bar
};

}  // namespace packager::win32
