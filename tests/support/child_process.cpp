#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace vexo::test_support {

using common::posix::UniqueFd;

namespace {

// Both ends close on exec: the child gets its end only as the stream it is duplicated to.
bool MakePipe(UniqueFd& readEnd, UniqueFd& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd = UniqueFd(fds[0]);
    writeEnd = UniqueFd(fds[1]);
    return true;
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, Streams streams) {
    UniqueFd childInput;
    UniqueFd childOutput;
    if ((streams.input && !MakePipe(childInput, input_)) ||
        (streams.output != Output::kInherited && !MakePipe(output_, childOutput))) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (streams.input) {
        posix_spawn_file_actions_adddup2(&actions, childInput.Get(), STDIN_FILENO);
    }
    if (streams.output == Output::kToPipe) {
        posix_spawn_file_actions_adddup2(&actions, childOutput.Get(), STDOUT_FILENO);
    } else if (streams.output == Output::kErrorsToPipe) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, childOutput.Get(), STDERR_FILENO);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (streams.defaultStopSignals) {
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t stops;
        sigemptyset(&stops);
        for (const int stop : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&stops, stop);
        }
        posix_spawnattr_setsigdefault(&attributes, &stops);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    if (pointers.front() == nullptr || ::posix_spawn(&pid_, pointers.front(), &actions, &attributes,
                                                     pointers.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    Signal(SIGKILL);
    Wait();
}

bool ChildProcess::Write(const std::string& bytes) {
    return input_.Valid() &&
           ::write(input_.Get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool ChildProcess::ReadExactly(std::size_t size) {
    char chunk[64];
    while (size > 0) {
        const ssize_t n = ::read(output_.Get(), chunk, size < sizeof chunk ? size : sizeof chunk);
        if (n <= 0) {
            return false;
        }
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ChildProcess::ReadLine(std::string& line) {
    line.clear();
    char c = 0;
    while (::read(output_.Get(), &c, 1) == 1) {
        if (c == '\n') {
            return true;
        }
        line.push_back(c);
    }
    return false;
}

std::string ChildProcess::ReadAll() {
    std::string text;
    char chunk[512];
    ssize_t n = 0;
    while ((n = ::read(output_.Get(), chunk, sizeof chunk)) > 0) {
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
    }
}

int ChildProcess::Wait() {
    int status = -1;
    if (pid_ <= 0) {
        return status;
    }
    pid_t ended = 0;
    while ((ended = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return ended > 0 ? status : -1;
}

}  // namespace vexo::test_support
