#include <windows.h>

#include <atomic>

#include "tools/vexo/interrupt_guard.h"

namespace vexo::cli {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free,
              "the console's handler thread may only touch a lock-free flag");

std::atomic<bool> interrupted{false};

// Runs on a thread the console starts. Ctrl+C and Ctrl+Break are handled here, so the process
// lives on; closing the console, logging off and shutting down go to the next handler.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        interrupted.store(true, std::memory_order_relaxed);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// The console keeps a list of handlers: removing ours is all it takes to bring back the
// previous one, so there is nothing to remember.
struct InterruptGuard::Previous {};

InterruptGuard::InterruptGuard() {
    interrupted.store(false, std::memory_order_relaxed);
    installed_ = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != FALSE;
}

InterruptGuard::~InterruptGuard() {
    if (installed_) {
        SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    }
}

bool InterruptGuard::TakeInterrupt() {
    return interrupted.exchange(false, std::memory_order_relaxed);
}

bool InterruptGuard::InterruptPending() {
    return interrupted.load();
}

}  // namespace vexo::cli
