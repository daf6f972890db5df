// The state VEXOSetup's two threads share, on Win32 objects: the status line and the bar's
// percentage under stateLock, a mutex private to the process, and the cancel request as a
// manual-reset event that the Cancel button sets and the worker polls. The lock is held only
// while one of the two fields is copied or stored, never while its holder waits for the other
// thread. The status line lives in a buffer of its own, so that storing one asks for no memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/win32/scoped_win.h"
#include "packager/status_line.h"

namespace packager::win32 {

class Win32ProgressState {
  public:
    Win32ProgressState() { Reset(); }

    // Each false when the object could not be created.
    bool CreateLock();
    bool CreateCancelEvent();

    // Back to "Initializing ... Please Wait" and an empty bar.
    void Reset();
    // Stores the phase's status line and writes it to line as well, for the status control.
    void StoreStatus(std::string_view phase, StatusLine& line);
    void StorePercent(std::uint32_t percent);
    void CopyStatus(StatusLine& line);
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
    StatusLine statusText_;              // guarded by stateLock_
    std::uint32_t progressPercent_ = 0;  // guarded by stateLock_; 0 is an empty bar
};

}  // namespace packager::win32
