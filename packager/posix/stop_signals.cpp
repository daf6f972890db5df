#include "packager/posix/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace packager::posix {

namespace {

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};
// A record of the pipe: the signal's number, or 0 to end the watch, and whether the terminal
// sent it to the whole group. Two bytes are written at once, so records never interleave.
constexpr unsigned char kEndOfWatch = 0;

// The pipe's write end for the handler; -1 while no StopSignals lives.
volatile sig_atomic_t handlerPipe = -1;
struct sigaction previousActions[kStopSignals.size()];

void OnStopSignal(int number, siginfo_t* info, void* /*context*/) {
    const int savedErrno = errno;
    const unsigned char record[2] = {
        static_cast<unsigned char>(number),
        static_cast<unsigned char>(info != nullptr && info->si_code == SI_KERNEL ? 1 : 0)};
    // Never blocks (the pipe is non-blocking); when it is full a cancel is already on its way.
    [[maybe_unused]] const ssize_t written = ::write(handlerPipe, record, sizeof record);
    errno = savedErrno;
}

}  // namespace

StopSignals::StopSignals() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    readEnd_ = common::posix::UniqueFd(ends[0]);
    writeEnd_ = common::posix::UniqueFd(ends[1]);
    if (::fcntl(writeEnd_.Get(), F_SETFL, O_NONBLOCK) != 0) {
        return;
    }
    handlerPipe = writeEnd_.Get();
    struct sigaction action {};
    action.sa_sigaction = OnStopSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    ::sigemptyset(&action.sa_mask);
    installed_ = true;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        installed_ = ::sigaction(kStopSignals[i], &action, &previousActions[i]) == 0 && installed_;
    }
}

StopSignals::~StopSignals() {
    StopWatching();
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        ::sigaction(kStopSignals[i], &previousActions[i], nullptr);
    }
    handlerPipe = -1;
}

bool StopSignals::Watch(std::function<void(const StopSignal&)> onSignal) {
    if (!readEnd_.Valid() || watcher_.joinable()) {
        return false;
    }
    try {
        watcher_ = std::thread([this, onSignal = std::move(onSignal)] { WatchLoop(onSignal); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void StopSignals::StopWatching() {
    if (!watcher_.joinable()) {
        return;
    }
    const unsigned char record[2] = {kEndOfWatch, 0};
    // The pipe is never full for long: the watcher drains it.
    while (::write(writeEnd_.Get(), record, sizeof record) < 0 &&
           (errno == EINTR || errno == EAGAIN)) {
    }
    watcher_.join();
}

void StopSignals::WatchLoop(const std::function<void(const StopSignal&)>& onSignal) {
    for (;;) {
        unsigned char record[2];
        const ssize_t n = ::read(readEnd_.Get(), record, sizeof record);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n != sizeof record || record[0] == kEndOfWatch) {
            return;
        }
        const StopSignal signal{record[0], record[1] != 0};
        int none = 0;
        first_.compare_exchange_strong(none, signal.number);
        onSignal(signal);
    }
}

}  // namespace packager::posix
