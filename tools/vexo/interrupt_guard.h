// Ctrl+C as a request, not a kill: while an InterruptGuard lives, SIGINT only raises a flag,
// which the program takes at a point where stopping is safe.
#pragma once

#include <signal.h>

namespace vexo::cli {

class InterruptGuard {
  public:
    // Installs the handler and lowers the flag; the previous handler comes back on
    // destruction.
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True when the handler could be installed.
    bool Installed() const { return installed_; }

    // True once per SIGINT that arrived since the last call (several at once count as one).
    static bool TakeInterrupt();

  private:
    struct sigaction previous_ {};
    bool installed_ = false;
};

}  // namespace vexo::cli
