#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

#include "common/posix/unique_fd.h"
#include "tools/vexo/atomic_output.h"

namespace vexo::cli {
namespace {

// The reason a file operation just failed, from errno ("No such file or directory").
std::string LastErrorText() {
    return std::generic_category().message(errno);
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    const std::filesystem::path folder = path.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Makes the rename itself durable; a file system that cannot sync folders is no failure.
void SyncFolder(const std::filesystem::path& folder) {
    const common::posix::UniqueFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid()) {
        fsync(fd.Get());
    }
}

}  // namespace

bool AtomicOutput::Open() {
    // Hidden, and named for the tool that left it, should the machine stop before the end.
    std::string pattern = (FolderOf(path_) / ".vexo-package-XXXXXX").string();
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return Fail("cannot create a temporary file in " + FolderOf(path_).string() + ": " +
                    LastErrorText());
    }
    handle_ = fd;
    temporary_ = pattern;
    return true;
}

bool AtomicOutput::Write(std::span<const std::uint8_t> bytes) {
    if (handle_ == kNoHandle) {
        return false;
    }
    const int fd = static_cast<int>(handle_);
    while (!bytes.empty()) {
        if (InterruptGuard::TakeInterrupt()) {
            return Fail("interrupted");
        }
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return Fail("cannot write " + temporary_ + ": " + LastErrorText());
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

bool AtomicOutput::Commit(std::filesystem::perms permissions) {
    if (handle_ == kNoHandle) {
        return false;
    }
    const int fd = static_cast<int>(handle_);
    if (fchmod(fd, static_cast<mode_t>(permissions & std::filesystem::perms::all)) != 0) {
        return Fail("cannot set the permissions of " + temporary_ + ": " + LastErrorText());
    }
    if (fsync(fd) != 0) {
        return Fail("cannot flush " + temporary_ + " to the disk: " + LastErrorText());
    }
    if (!common::posix::UniqueFd(static_cast<int>(std::exchange(handle_, kNoHandle))).Close()) {
        return Fail("cannot write " + temporary_ + ": " + LastErrorText());
    }
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        return Fail("cannot replace " + path_.string() + ": " + LastErrorText());
    }
    temporary_.clear();
    SyncFolder(FolderOf(path_));
    return true;
}

void AtomicOutput::Discard() {
    common::posix::UniqueFd(static_cast<int>(std::exchange(handle_, kNoHandle))).Close();
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace vexo::cli
