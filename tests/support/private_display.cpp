#include "tests/support/private_display.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "common/posix/unique_fd.h"
#include "tests/support/announcement.h"

namespace vexo::test_support {

namespace {

// Ends the process (if there is one) and reaps it.
void EndProcess(pid_t& process) {
    if (process > 0) {
        ::kill(process, SIGTERM);
        while (::waitpid(process, nullptr, 0) < 0 && errno == EINTR) {
        }
        process = -1;
    }
}

}  // namespace

PrivateDisplay::PrivateDisplay(Manager manager) {
    int ends[2];
    if (::pipe(ends) != 0) {
        return;
    }
    common::posix::UniqueFd readEnd(ends[0]);
    common::posix::UniqueFd writeEnd(ends[1]);
    server_ = ::fork();
    if (server_ == 0) {
        // The server picks a free number and writes it to descriptor 3 once it accepts clients.
        if (::dup2(writeEnd.Get(), 3) < 0) {
            ::_exit(127);
        }
        ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten",
                 "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    writeEnd.Close();
    std::string number;
    char c = 0;
    while (server_ > 0 && ::read(readEnd.Get(), &c, 1) == 1 && c != '\n') {
        number += c;
    }
    if (number.empty()) {
        EndProcess(server_);
        return;
    }
    const std::string name = ":" + number;
    if (manager == Manager::Openbox) {
        Announcement ready(scratch_.path() / "manager-ready");
        manager_ = ::fork();
        if (manager_ == 0) {
            ::setenv("DISPLAY", name.c_str(), 1);
            const std::string startup = "sh -c 'echo ready > " + ready.Path().string() + "'";
            ::execlp("openbox", "openbox", "--sm-disable", "--startup", startup.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (manager_ < 0 || !ready.AwaitFrom(manager_)) {
            EndProcess(manager_);
            EndProcess(server_);
            return;
        }
    }
    name_ = name;
}

PrivateDisplay::~PrivateDisplay() {
    EndProcess(manager_);
    EndProcess(server_);
}

void PrivateDisplay::Lose() {
    if (server_ > 0) {
        ::kill(server_, SIGKILL);
        while (::waitpid(server_, nullptr, 0) < 0 && errno == EINTR) {
        }
        server_ = -1;
    }
}

}  // namespace vexo::test_support
