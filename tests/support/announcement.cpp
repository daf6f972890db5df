#include "tests/support/announcement.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace vexo::test_support {

bool AwaitReadableWhile(int fd, pid_t process) {
    // Through syscall: the C library's declaration of pidfd_open is not usable from C++ on every
    // system we build on.
    const common::posix::UniqueFd ended(static_cast<int>(::syscall(SYS_pidfd_open, process, 0)));
    pollfd waits[2] = {{fd, POLLIN, 0}, {ended.Get(), POLLIN, 0}};
    for (;;) {
        const int n = ::poll(waits, ended.Valid() ? 2 : 1, -1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n > 0 && (waits[0].revents & POLLIN) != 0;
    }
}

Announcement::Announcement(std::filesystem::path path) : path_(std::move(path)) {
    if (::mkfifo(path_.c_str(), 0600) == 0) {
        // Without blocking: the writer may come much later, or never.
        pipe_ = common::posix::UniqueFd(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    }
}

Announcement::~Announcement() {
    pipe_.Close();
    ::unlink(path_.c_str());
}

bool Announcement::AwaitFrom(pid_t process) {
    if (!pipe_.Valid() || !AwaitReadableWhile(pipe_.Get(), process)) {
        return false;
    }
    char line[64];
    return ::read(pipe_.Get(), line, sizeof line) > 0;
}

}  // namespace vexo::test_support
