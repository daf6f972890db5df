// Starting the extracted setup program and waiting for it.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "packager/posix/child_signal_relay.h"
#include "packager/posix/posix_platform.h"

extern char** environ;

namespace packager::posix {

namespace {

// Owns the spawn attributes for one start.
class SpawnAttributes {
  public:
    SpawnAttributes() { ready_ = ::posix_spawnattr_init(&attributes_) == 0; }
    ~SpawnAttributes() {
        if (ready_) {
            ::posix_spawnattr_destroy(&attributes_);
        }
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    // The program starts with no signal blocked and every signal handled by default, whatever
    // this process (or the thread that starts it) has set up.
    bool ResetSignals() {
        sigset_t none;
        sigset_t all;
        return ready_ && ::sigemptyset(&none) == 0 && ::sigfillset(&all) == 0 &&
               ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
               ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
               ::posix_spawnattr_setflags(&attributes_,
                                          POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }

    const posix_spawnattr_t* Get() const { return &attributes_; }

  private:
    posix_spawnattr_t attributes_{};
    bool ready_ = false;
};

bool MakeExecutableForOwner(const char* program) {
    struct stat status {};
    if (::stat(program, &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    return (status.st_mode & S_IXUSR) != 0 ||
           ::chmod(program, (status.st_mode & 07777) | S_IXUSR) == 0;
}

}  // namespace

bool PosixPlatform::StartAndWait(const char* program) {
    if (!MakeExecutableForOwner(program)) {
        return false;
    }
    SpawnAttributes attributes;
    if (!attributes.ResetSignals()) {
        return false;
    }
    // posix_spawn only reads its arguments; C's type for them is not const.
    char* const arguments[] = {const_cast<char*>(program), nullptr};
    pid_t child = 0;
    if (::posix_spawn(&child, program, nullptr, attributes.Get(), arguments, environ) != 0) {
        return false;
    }
    if (relay_ != nullptr) {
        relay_->Started(child);
    }
    // The exit code is of no interest; only the end is awaited. The ended program stays
    // unreaped until the relay has forgotten its number.
    siginfo_t ended{};
    while (::waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOWAIT) < 0 &&
           errno == EINTR) {
    }
    if (relay_ != nullptr) {
        relay_->Ended();
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

}  // namespace packager::posix
