// Waits in tests that may never end (an event never set, a box nobody answers, a process that
// never writes) are bounded, so that a fault fails its test rather than hanging the run. Never a
// means of synchronisation: a wait that lasts kHangGuard has hung.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vexo::test_support {

inline constexpr std::chrono::milliseconds kHangGuard{10000};

// Ends the test program, naming the running test, when the guard still lives after `limit`:
// for a test that waits inside something it cannot bound itself, such as a modal loop.
class HangGuard {
  public:
    explicit HangGuard(std::chrono::milliseconds limit = 6 * kHangGuard);
    ~HangGuard();
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread watchdog_;  // last: it starts once the rest is there
};

}  // namespace vexo::test_support
