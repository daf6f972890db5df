#include <signal.h>

#include <atomic>
#include <iterator>

#include "tools/vexo/interrupt_guard.h"
#include "tools/vexo/wake_pipe.h"

namespace vexo::cli {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free,
              "the signal handler may only touch a lock-free flag");

std::atomic<bool> interrupted{false};

// The flag is raised before the wake-up is written, so that a sleeper that is not woken finds
// the flag raised instead.
void OnInterrupt(int) {
    interrupted.store(true);
    WakeForInterrupt();
}

}  // namespace

// Ctrl+C, and a request to end (kill's default, a closed terminal): each one asks the command
// to stop at its next safe point, so that it leaves no half-written file behind.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct InterruptGuard::Previous {
    struct sigaction actions[std::size(kStopSignals)]{};
};

InterruptGuard::InterruptGuard() : previous_(std::make_unique<Previous>()) {
    interrupted.store(false, std::memory_order_relaxed);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Reads and waits that the signal interrupts are restarted rather than failed.
    action.sa_flags = SA_RESTART;
    installed_ = true;
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        installed_ = sigaction(kStopSignals[i], &action, &previous_->actions[i]) == 0 && installed_;
    }
}

InterruptGuard::~InterruptGuard() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        sigaction(kStopSignals[i], &previous_->actions[i], nullptr);
    }
}

bool InterruptGuard::TakeInterrupt() {
    return interrupted.exchange(false, std::memory_order_relaxed);
}

bool InterruptGuard::InterruptPending() {
    return interrupted.load();
}

}  // namespace vexo::cli
