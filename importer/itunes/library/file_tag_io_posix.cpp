#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include "importer/itunes/library/file_tag_io.h"

namespace itunes::library {
namespace {

using common::posix::UniqueFd;

// 0, or errno once the call has failed for another reason than a signal.
template <typename Call>
int Retried(Call call) {
    while (call() < 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

// Moves count bytes in pieces through step (which gives how many it moved, or -1 with errno);
// ENODATA when it moves none.
template <typename Step>
int MoveAll(std::uint64_t count, Step step) {
    std::uint64_t done = 0;
    while (done < count) {
        const ssize_t moved = step(done, count - done);
        if (moved < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (moved == 0) {
            return ENODATA;
        }
        done += static_cast<std::uint64_t>(moved);
    }
    return 0;
}

// What one system call moves at most: read and write take no more anyway.
constexpr std::uint64_t kChunk = 1u << 30;

std::size_t Chunk(std::uint64_t left) {
    return static_cast<std::size_t>(std::min(left, kChunk));
}

off_t At(std::uint64_t offset) {
    return static_cast<off_t>(offset);
}

}  // namespace

int PosixFileTagIo::Open(const std::string& path, int flags, mode_t mode, UniqueFd& fd) {
    int opened = -1;
    const int error = Retried([&] { return opened = ::open(path.c_str(), flags, mode); });
    fd = UniqueFd(opened);
    return error;
}

int PosixFileTagIo::Status(int fd, struct stat& status) {
    return Retried([&] { return ::fstat(fd, &status); });
}

int PosixFileTagIo::PathStatus(const std::string& path, struct stat& status) {
    return Retried([&] { return ::lstat(path.c_str(), &status); });
}

int PosixFileTagIo::ReadAt(int fd, std::uint64_t offset, std::span<std::uint8_t> out) {
    return MoveAll(out.size(), [&](std::uint64_t done, std::uint64_t left) {
        return ::pread(fd, out.data() + done, Chunk(left), At(offset + done));
    });
}

int PosixFileTagIo::WriteAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    const int error = MoveAll(bytes.size(), [&](std::uint64_t done, std::uint64_t left) {
        return ::pwrite(fd, bytes.data() + done, Chunk(left), At(offset + done));
    });
    // A write that takes no bytes without saying why has found no room.
    return error == ENODATA ? ENOSPC : error;
}

int PosixFileTagIo::Copy(int from, std::uint64_t fromOffset, int to, std::uint64_t toOffset,
                         std::uint64_t length) {
    std::uint64_t done = 0;
    const int error = MoveAll(length, [&](std::uint64_t, std::uint64_t left) {
        loff_t in = At(fromOffset + done);
        loff_t out = At(toOffset + done);
        const ssize_t moved = ::copy_file_range(from, &in, to, &out, Chunk(left), 0);
        done += moved > 0 ? static_cast<std::uint64_t>(moved) : 0;
        return moved;
    });
    // Some file systems copy nothing between files in the kernel: then through a buffer, with
    // the calls of this class itself (this is one call to the seam).
    if (error != EXDEV && error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) {
        return error;
    }
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>(length - done, std::uint64_t{1} << 20)));
    while (done < length) {
        const std::span<std::uint8_t> piece(
            buffer.data(), Chunk(std::min<std::uint64_t>(length - done, buffer.size())));
        if (const int failed = PosixFileTagIo::ReadAt(from, fromOffset + done, piece);
            failed != 0) {
            return failed;
        }
        if (const int failed = PosixFileTagIo::WriteAt(to, toOffset + done, piece); failed != 0) {
            return failed;
        }
        done += piece.size();
    }
    return 0;
}

int PosixFileTagIo::Reserve(int fd, std::uint64_t offset, std::uint64_t length) {
    return Retried([&] { return ::fallocate(fd, FALLOC_FL_KEEP_SIZE, At(offset), At(length)); });
}

int PosixFileTagIo::Truncate(int fd, std::uint64_t size) {
    return Retried([&] { return ::ftruncate(fd, At(size)); });
}

int PosixFileTagIo::Sync(int fd) {
    return Retried([&] { return ::fsync(fd); });
}

int PosixFileTagIo::SyncFolder(const std::string& folder) {
    // The calls of this class itself, not of one derived from it: this is one call to the seam.
    UniqueFd fd;
    if (const int error = PosixFileTagIo::Open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0, fd);
        error != 0) {
        return error;
    }
    const int error = PosixFileTagIo::Sync(fd.Get());
    // Some file systems sync no folders; their entries are as durable as they get.
    return error == EINVAL ? 0 : error;
}

int PosixFileTagIo::Rename(const std::string& from, const std::string& to) {
    return Retried([&] { return ::rename(from.c_str(), to.c_str()); });
}

int PosixFileTagIo::Remove(const std::string& path) {
    return Retried([&] { return ::unlink(path.c_str()); });
}

int PosixFileTagIo::SetOwner(int fd, uid_t owner, gid_t group) {
    return Retried([&] { return ::fchown(fd, owner, group); });
}

int PosixFileTagIo::SetMode(int fd, mode_t mode) {
    return Retried([&] { return ::fchmod(fd, mode); });
}

int PosixFileTagIo::SetTimes(int fd, const struct timespec (&times)[2]) {
    return Retried([&] { return ::futimens(fd, times); });
}

int PosixFileTagIo::Lock(int fd) {
    return Retried([&] { return ::flock(fd, LOCK_EX); });
}

FileTagIo& SystemFileTagIo() {
    static PosixFileTagIo io;
    return io;
}

}  // namespace itunes::library
