#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "tools/vexo/wake_pipe.h"

namespace vexo::cli {
namespace {

static_assert(std::atomic<int>::is_always_lock_free,
              "the signal handler may only touch a lock-free descriptor");

// The writing end that an interrupt wakes; -1 while no InterruptWakes lives. Its accesses and
// those of the interrupt flag are sequentially consistent: a sleeper sets it and then looks at
// the flag, the handler raises the flag and then looks at it, so one of them sees the other's.
std::atomic<int> interruptWakeDescriptor{-1};

// A full pipe already holds a wake-up that the sleeper has not taken, so a write that would
// block is as good as one that went through. errno is kept for the code a signal interrupted.
void WriteWakeUp(int descriptor) {
    const int savedErrno = errno;
    const char byte = 1;
    while (::write(descriptor, &byte, 1) < 0 && errno == EINTR) {
    }
    errno = savedErrno;
}

}  // namespace

WakePipe::WakePipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        readEnd_ = common::posix::UniqueFd(ends[0]);
        writeEnd_ = common::posix::UniqueFd(ends[1]);
    }
}

void WakePipe::Wake() const {
    if (writeEnd_.Valid()) {
        WriteWakeUp(writeEnd_.Get());
    }
}

void WakePipe::Sleep() const {
    if (!Ok()) {
        return;
    }
    pollfd wakeUps{readEnd_.Get(), POLLIN, 0};
    if (::poll(&wakeUps, 1, -1) <= 0) {
        return;  // a signal: the caller looks at what it brought
    }
    // Wake-ups come one or two at a time; any left over end the next sleep at once.
    char bytes[64];
    const ssize_t taken = ::read(readEnd_.Get(), bytes, sizeof bytes);
    static_cast<void>(taken);
}

InterruptWakes::InterruptWakes(const WakePipe& pipe) {
    interruptWakeDescriptor.store(pipe.writeEnd_.Get());
}

InterruptWakes::~InterruptWakes() {
    interruptWakeDescriptor.store(-1);
}

void WakeForInterrupt() {
    const int descriptor = interruptWakeDescriptor.load();
    if (descriptor >= 0) {
        WriteWakeUp(descriptor);
    }
}

}  // namespace vexo::cli
