#include "packager/posix/child_signal_relay.h"

#include <signal.h>

namespace packager::posix {

void ChildSignalRelay::Forward(int signal, bool childHasIt) {
    const std::lock_guard lock(mutex_);
    pending_ = signal;
    if (child_ > 0 && !childHasIt) {
        ::kill(child_, signal);
    }
}

void ChildSignalRelay::Started(pid_t child) {
    const std::lock_guard lock(mutex_);
    child_ = child;
    if (pending_ != 0) {
        ::kill(child_, pending_);
    }
}

void ChildSignalRelay::Ended() {
    const std::lock_guard lock(mutex_);
    child_ = 0;
}

}  // namespace packager::posix
