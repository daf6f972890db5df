// Ctrl+C as a request, not a kill: while an InterruptGuard lives, an interrupt (SIGINT, SIGTERM
// or SIGHUP, or on Windows the console's Ctrl+C and Ctrl+Break) only raises a flag, which the
// program takes at a point where stopping is safe.
#pragma once

#include <memory>

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

    // True once per interrupt that arrived since the last call (several at once count as one).
    static bool TakeInterrupt();
    // True when an interrupt arrived that TakeInterrupt has not taken yet.
    static bool InterruptPending();

  private:
    // What the platform needs to put the previous handler back; kept out of this header so
    // that it includes no system header.
    struct Previous;
    std::unique_ptr<Previous> previous_;
    bool installed_ = false;
};

}  // namespace vexo::cli
