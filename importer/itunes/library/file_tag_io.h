// The system calls that writing tags into a media file makes, behind one seam, so that tests can
// make any of them fail (a full disk, an I/O error) or end the process between two of them.
// Every call returns 0 or the errno value it failed with; a call interrupted by a signal is
// made again.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <cstdint>
#include <span>
#include <string>

#include "common/posix/unique_fd.h"

namespace itunes::library {

class FileTagIo {
  public:
    virtual ~FileTagIo() = default;

    // open(2); the descriptor in fd.
    virtual int Open(const std::string& path, int flags, mode_t mode,
                     common::posix::UniqueFd& fd) = 0;
    virtual int Status(int fd, struct stat& status) = 0;
    // The path itself, a symbolic link not followed.
    virtual int PathStatus(const std::string& path, struct stat& status) = 0;

    // All of out from offset on; ENODATA when the file ends before.
    virtual int ReadAt(int fd, std::uint64_t offset, std::span<std::uint8_t> out) = 0;
    // All of bytes at offset.
    virtual int WriteAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    // length bytes of one file into another; ENODATA when the first ends before.
    virtual int Copy(int from, std::uint64_t fromOffset, int to, std::uint64_t toOffset,
                     std::uint64_t length) = 0;
    // Sets aside the disk space for the range without changing the file's size, so that a full
    // disk shows before anything is overwritten; EOPNOTSUPP where the file system cannot.
    virtual int Reserve(int fd, std::uint64_t offset, std::uint64_t length) = 0;
    virtual int Truncate(int fd, std::uint64_t size) = 0;
    virtual int Sync(int fd) = 0;
    // Makes the folder's entries (a name added, renamed or removed) durable.
    virtual int SyncFolder(const std::string& folder) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Remove(const std::string& path) = 0;

    virtual int SetOwner(int fd, uid_t owner, gid_t group) = 0;
    virtual int SetMode(int fd, mode_t mode) = 0;
    // Access and modification times, in that order.
    virtual int SetTimes(int fd, const struct timespec (&times)[2]) = 0;

    // Waits for the exclusive lock on the open file; it ends with the descriptor.
    virtual int Lock(int fd) = 0;
};

// The real calls. Tests derive from it to make one call fail and let the others through.
class PosixFileTagIo : public FileTagIo {
  public:
    int Open(const std::string& path, int flags, mode_t mode, common::posix::UniqueFd& fd) override;
    int Status(int fd, struct stat& status) override;
    int PathStatus(const std::string& path, struct stat& status) override;
    int ReadAt(int fd, std::uint64_t offset, std::span<std::uint8_t> out) override;
    int WriteAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    int Copy(int from, std::uint64_t fromOffset, int to, std::uint64_t toOffset,
             std::uint64_t length) override;
    int Reserve(int fd, std::uint64_t offset, std::uint64_t length) override;
    int Truncate(int fd, std::uint64_t size) override;
    int Sync(int fd) override;
    int SyncFolder(const std::string& folder) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Remove(const std::string& path) override;
    int SetOwner(int fd, uid_t owner, gid_t group) override;
    int SetMode(int fd, mode_t mode) override;
    int SetTimes(int fd, const struct timespec (&times)[2]) override;
    int Lock(int fd) override;
};

// One PosixFileTagIo for the process: it holds no state.
FileTagIo& SystemFileTagIo();

}  // namespace itunes::library
