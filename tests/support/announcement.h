// A named pipe that a program under test writes a line to when it has reached a point (a setup
// script is running, a window manager is ready), so that a test waits for that point instead of
// guessing it with time.
#pragma once

#include <sys/types.h>

#include <filesystem>

#include "common/posix/unique_fd.h"

namespace vexo::test_support {

class Announcement {
  public:
    // Makes the pipe at path (which must not exist) and opens it for reading.
    explicit Announcement(std::filesystem::path path);
    ~Announcement();
    Announcement(const Announcement&) = delete;
    Announcement& operator=(const Announcement&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Waits until a line has been written to the pipe; false when the process ended before.
    bool AwaitFrom(pid_t process);

  private:
    std::filesystem::path path_;
    common::posix::UniqueFd pipe_;
};

// Waits until process has ended, without reaping it, or until the file descriptor is readable;
// true for the latter.
bool AwaitReadableWhile(int fd, pid_t process);

}  // namespace vexo::test_support
