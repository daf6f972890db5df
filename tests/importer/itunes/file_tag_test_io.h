// The tag writer's real system calls, each one that opens or changes something shown first to
// the test, which may make it fail, change the file under the writer, or end the process.
#pragma once

#include <fcntl.h>

#include <functional>
#include <map>
#include <string>

#include "importer/itunes/library/file_tag_io.h"
#include "importer/itunes/library/file_tag_writer.h"

namespace itunes::library::test {

enum class Call {
    kOpen,
    kWrite,
    kCopy,
    kReserve,
    kTruncate,
    kSync,
    kSyncFolder,
    kRename,
    kRemove,
    kSetOwner,
    kSetMode,
    kSetTimes,
    kLock,
};

// Every episode property, with a name long enough that the metadata grows.
inline mp4::EpisodeTags SampleTags() {
    mp4::EpisodeTags tags;
    tags.show = "The Show";
    tags.seasonNumber = 2;
    tags.episodeId = "S02E07";
    tags.episodeNumber = 7;
    tags.name = "An Episode Whose Name Is Long Enough To Need Room";
    tags.sortName = "Episode, An";
    tags.videoKind = 3;
    return tags;
}

// Whose file a call concerns, told from its name.
enum class Role { kFile, kDraft, kJournal, kNewFile, kLock, kFolder };

inline Role RoleOf(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    if (name == FileTagWriter::kJournalDraftName) {
        return Role::kDraft;
    }
    if (name == FileTagWriter::kJournalName) {
        return Role::kJournal;
    }
    if (name == FileTagWriter::kLockName) {
        return Role::kLock;
    }
    return name.find(FileTagWriter::kNewFileMark) != std::string::npos ? Role::kNewFile
                                                                       : Role::kFile;
}

class ObservedIo : public PosixFileTagIo {
  public:
    // Does the first half of a write, for an end in the middle of it; empty for other calls.
    using Tear = std::function<void()>;

    // Before each call: 0 lets it through, an errno value fails it without making it.
    virtual int Before(Call call, Role role, const Tear& tear) = 0;

    int Open(const std::string& path, int flags, mode_t mode,
             common::posix::UniqueFd& fd) override {
        const Role role = RoleOf(path);
        if (const int error = Before(Call::kOpen, role, {}); error != 0) {
            return error;
        }
        const int error = PosixFileTagIo::Open(path, flags, mode, fd);
        roles_[fd.Get()] = role;
        return error;
    }
    int WriteAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
        const auto write = [&](std::size_t count) {
            return PosixFileTagIo::WriteAt(fd, offset, bytes.first(count));
        };
        const int error = Before(Call::kWrite, roles_[fd], [&] { write(bytes.size() / 2); });
        return error != 0 ? error : write(bytes.size());
    }
    int Copy(int from, std::uint64_t fromOffset, int to, std::uint64_t toOffset,
             std::uint64_t length) override {
        const auto copy = [&](std::uint64_t count) {
            return PosixFileTagIo::Copy(from, fromOffset, to, toOffset, count);
        };
        const int error = Before(Call::kCopy, roles_[to], [&] { copy(length / 2); });
        return error != 0 ? error : copy(length);
    }
    int Reserve(int fd, std::uint64_t offset, std::uint64_t length) override {
        return Pass(Call::kReserve, roles_[fd],
                    [&] { return PosixFileTagIo::Reserve(fd, offset, length); });
    }
    int Truncate(int fd, std::uint64_t size) override {
        return Pass(Call::kTruncate, roles_[fd],
                    [&] { return PosixFileTagIo::Truncate(fd, size); });
    }
    int Sync(int fd) override {
        return Pass(Call::kSync, roles_[fd], [&] { return PosixFileTagIo::Sync(fd); });
    }
    int SyncFolder(const std::string& folder) override {
        return Pass(Call::kSyncFolder, Role::kFolder,
                    [&] { return PosixFileTagIo::SyncFolder(folder); });
    }
    int Rename(const std::string& from, const std::string& to) override {
        return Pass(Call::kRename, RoleOf(from), [&] { return PosixFileTagIo::Rename(from, to); });
    }
    int Remove(const std::string& path) override {
        return Pass(Call::kRemove, RoleOf(path), [&] { return PosixFileTagIo::Remove(path); });
    }
    int SetOwner(int fd, uid_t owner, gid_t group) override {
        return Pass(Call::kSetOwner, roles_[fd],
                    [&] { return PosixFileTagIo::SetOwner(fd, owner, group); });
    }
    int SetMode(int fd, mode_t mode) override {
        return Pass(Call::kSetMode, roles_[fd], [&] { return PosixFileTagIo::SetMode(fd, mode); });
    }
    int SetTimes(int fd, const struct timespec (&times)[2]) override {
        return Pass(Call::kSetTimes, roles_[fd],
                    [&] { return PosixFileTagIo::SetTimes(fd, times); });
    }
    int Lock(int fd) override {
        return Pass(Call::kLock, roles_[fd], [&] { return PosixFileTagIo::Lock(fd); });
    }

  private:
    template <typename Make>
    int Pass(Call call, Role role, Make make) {
        const int error = Before(call, role, {});
        return error != 0 ? error : make();
    }

    std::map<int, Role> roles_;  // by descriptor, as last opened
};

}  // namespace itunes::library::test
