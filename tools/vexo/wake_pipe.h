// A sleep that another thread, or a signal handler, ends: a pipe whose bytes are the wake-ups.
// The console's import sleeps on one while the library adds a file; the add's end and Ctrl+C
// both wake it.
#pragma once

#include "common/posix/unique_fd.h"

namespace vexo::cli {

class WakePipe {
  public:
    WakePipe();
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;

    // False when the pipe could not be made; then Sleep returns at once.
    bool Ok() const { return readEnd_.Valid() && writeEnd_.Valid(); }
    // Ends the current Sleep, or the next one at once. Safe from any thread, and in a signal
    // handler.
    void Wake() const;
    // Returns once woken, taking the wake-ups given so far, or when a signal arrives.
    void Sleep() const;

  private:
    friend class InterruptWakes;
    common::posix::UniqueFd readEnd_;
    common::posix::UniqueFd writeEnd_;
};

// While it lives, every interrupt that InterruptGuard catches also wakes pipe, so that a sleep
// on it ends at once. One at a time.
class InterruptWakes {
  public:
    explicit InterruptWakes(const WakePipe& pipe);
    ~InterruptWakes();
    InterruptWakes(const InterruptWakes&) = delete;
    InterruptWakes& operator=(const InterruptWakes&) = delete;
};

// Wakes the pipe of the InterruptWakes that lives, if any; InterruptGuard's handler calls it.
void WakeForInterrupt();

}  // namespace vexo::cli
