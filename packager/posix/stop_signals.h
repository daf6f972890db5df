// SIGINT, SIGTERM and SIGHUP (Ctrl+C, a kill, a closed terminal) are a Cancel for VEXOSetup,
// not an end that leaves its temporary folder behind. While a StopSignals lives, their handler
// only writes the signal's number to a pipe; a thread of its own reads the pipe and does the
// work of a cancel outside the handler.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "common/posix/unique_fd.h"

namespace packager::posix {

struct StopSignal {
    int number = 0;
    // Sent by the terminal to its whole foreground process group (Ctrl+C, a hang-up), so that
    // a program started in that group has received it as well.
    bool sentToGroup = false;
};

class StopSignals {
  public:
    // Installs the handlers; a signal that arrives from here on is kept until it is watched.
    // One instance at a time in a process.
    StopSignals();
    // Stops watching and puts the previous handlers back.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool Installed() const { return installed_; }

    // Calls onSignal on a thread of its own for every signal, those kept so far first, until
    // StopWatching. False when the thread could not be created.
    bool Watch(std::function<void(const StopSignal&)> onSignal);
    // Returns once the watching thread has ended; no call of onSignal is made after it.
    void StopWatching();

    // The first signal received, or 0.
    int FirstSignal() const { return first_.load(); }

  private:
    void WatchLoop(const std::function<void(const StopSignal&)>& onSignal);

    common::posix::UniqueFd readEnd_;
    common::posix::UniqueFd writeEnd_;
    bool installed_ = false;
    std::atomic<int> first_{0};
    std::thread watcher_;
};

}  // namespace packager::posix
