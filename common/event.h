// Events as the Windows kernel offers them (CreateEvent, SetEvent, WaitForSingleObject),
// named by 32-bit handle values so that they can cross seams shaped like Windows calls
// (RegNotifyChangeKeyValue). Win32: real event handles; elsewhere a table of our own.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace common {

using EventHandle = std::uint32_t;  // 0 is no event

// A new event; manual-reset events stay signalled until reset, auto-reset ones release one
// waiter. 0 on failure.
EventHandle CreateEventHandle(bool manualReset, bool initiallySignalled);
bool SetEventHandle(EventHandle event);
bool ResetEventHandle(EventHandle event);
bool CloseEventHandle(EventHandle event);

enum class WaitResult { Signalled, TimedOut, Failed };

// Waits until the event is signalled, or the timeout passes (no timeout: forever).
WaitResult WaitForEventHandle(EventHandle event,
                              std::optional<std::chrono::milliseconds> timeout = std::nullopt);

// Owns an event and closes it.
class ScopedEvent {
  public:
    explicit ScopedEvent(bool manualReset = false, bool initiallySignalled = false)
        : handle_(CreateEventHandle(manualReset, initiallySignalled)) {}
    ~ScopedEvent() {
        if (handle_ != 0) {
            CloseEventHandle(handle_);
        }
    }
    ScopedEvent(const ScopedEvent&) = delete;
    ScopedEvent& operator=(const ScopedEvent&) = delete;
    EventHandle get() const { return handle_; }

  private:
    EventHandle handle_;
};

}  // namespace common
