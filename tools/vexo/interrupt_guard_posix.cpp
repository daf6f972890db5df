#include <signal.h>

#include <atomic>

#include "tools/vexo/interrupt_guard.h"

namespace vexo::cli {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free,
              "the signal handler may only touch a lock-free flag");

std::atomic<bool> interrupted{false};

void OnInterrupt(int) {
    interrupted.store(true, std::memory_order_relaxed);
}

}  // namespace

struct InterruptGuard::Previous {
    struct sigaction action {};
};

InterruptGuard::InterruptGuard() : previous_(std::make_unique<Previous>()) {
    interrupted.store(false, std::memory_order_relaxed);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Reads and waits that the signal interrupts are restarted rather than failed.
    action.sa_flags = SA_RESTART;
    installed_ = sigaction(SIGINT, &action, &previous_->action) == 0;
}

InterruptGuard::~InterruptGuard() {
    if (installed_) {
        sigaction(SIGINT, &previous_->action, nullptr);
    }
}

bool InterruptGuard::TakeInterrupt() {
    return interrupted.exchange(false, std::memory_order_relaxed);
}

}  // namespace vexo::cli
