#include "importer/itunes/library/file_tag_writer.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>
#include <variant>
#include <vector>

#include "common/posix/unique_fd.h"
#include "importer/itunes/library/tag_journal.h"

namespace itunes::library {
namespace {

using common::posix::UniqueFd;

constexpr const char* kChanged = "the file changed while its tags were written";
constexpr auto kLargestFile = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
// Not blocking, so that a FIFO by the name is turned away rather than waited on; never through
// a symbolic link, which a rebuild would replace with a file.
constexpr int kOpenFlags = O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY;

TagWriteResult Refused(std::string reason) {
    return {TagWriteOutcome::kRefused, std::move(reason)};
}

std::string Message(int error) {
    return std::generic_category().message(error);
}

// Why a call on what ("the file", "the library's folder") failed, for the user.
std::string Reason(int error, std::string_view what) {
    if (error == ENOSPC || error == EDQUOT) {
        return "not enough disk space";
    }
    if (error == EACCES || error == EPERM || error == EROFS) {
        return std::string(what) + " is not writable";
    }
    return std::string(what) + " could not be written (" + Message(error) + ")";
}

std::string OpenReason(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return "the file is not there";
        case ELOOP:
            return "the file is a symbolic link";
        case EISDIR:
        case ENXIO:
            return "the file is not a regular file";
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            return "the file is not writable";
        default:
            return "the file could not be opened (" + Message(error) + ")";
    }
}

std::string ReadReason(int error) {
    // Fewer bytes than the file had when it was opened.
    return error == ENODATA ? kChanged : "the file could not be read (" + Message(error) + ")";
}

// A file system that cannot set space aside still takes the write; a full disk then shows as
// the write fails, and the journal puts the old bytes back.
bool CannotReserve(int error) {
    return error == EOPNOTSUPP || error == ENOSYS;
}

std::string Join(const std::string& folder, std::string_view name) {
    return folder + "/" + std::string(name);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The journal names the file by a path that means the same whatever the folder Recover runs in.
std::string Absolute(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

// ".NAME" + the mark + six random letters: hidden beside the old file, and recognisably ours.
// The old name is cut where the whole would be longer than a file name may be.
std::string NewFileName(const std::string& name) {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr std::size_t kRandomLetters = 6;
    constexpr std::size_t kRoom =
        NAME_MAX - 1 - std::string_view(FileTagWriter::kNewFileMark).size() - kRandomLetters;
    std::string result = "." + name.substr(0, kRoom) + FileTagWriter::kNewFileMark;
    std::random_device device;
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    for (std::size_t i = 0; i < kRandomLetters; ++i) {
        result += kLetters[pick(device)];
    }
    return result;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Held while the journal may be there: two processes of one library would otherwise share its
// one name, and a library that opens would undo a write another process is still making.
int LockFolder(FileTagIo& io, const std::string& folder, UniqueFd& lock) {
    const int error = io.Open(Join(folder, FileTagWriter::kLockName),
                              O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600, lock);
    return error != 0 ? error : io.Lock(lock.Get());
}

// The journal of the library's folder.
class JournalFile {
  public:
    JournalFile(FileTagIo& io, const std::string& folder)
        : io_(io),
          folder_(folder),
          path_(Join(folder, FileTagWriter::kJournalName)),
          draft_(Join(folder, FileTagWriter::kJournalDraftName)) {}

    // Written whole under the draft's name, then renamed into place: the journal is whole or not
    // there. On a failure nothing of it is left.
    int Commit(const TagJournal& journal) {
        const std::vector<std::uint8_t> bytes = EncodeTagJournal(journal);
        UniqueFd draft;
        int error =
            io_.Open(draft_, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600, draft);
        if (error == 0) {
            error = io_.WriteAt(draft.Get(), 0, bytes);
        }
        if (error == 0) {
            error = io_.Sync(draft.Get());
        }
        if (error == 0 && !draft.Close()) {
            error = EIO;
        }
        if (error == 0) {
            error = io_.Rename(draft_, path_);
        }
        if (error == 0) {
            error = io_.SyncFolder(folder_);
        }
        if (error != 0) {
            io_.Remove(draft_);
            Remove();
        }
        return error;
    }

    // Gone for good once this returns 0.
    int Remove() {
        const int error = io_.Remove(path_);
        return error != 0 && error != ENOENT ? error : io_.SyncFolder(folder_);
    }

    // A draft was never renamed into place: the write it was for had not begun.
    int RemoveDraft() {
        const int error = io_.Remove(draft_);
        return error == ENOENT ? 0 : error;
    }

    int Read(std::vector<std::uint8_t>& bytes) {
        UniqueFd file;
        struct stat status {};
        int error = io_.Open(path_, O_RDONLY | O_CLOEXEC | O_NOFOLLOW, 0, file);
        if (error == 0) {
            error = io_.Status(file.Get(), status);
        }
        if (error == 0) {
            bytes.resize(static_cast<std::size_t>(status.st_size));
            error = io_.ReadAt(file.Get(), 0, bytes);
        }
        return error;
    }

  private:
    FileTagIo& io_;
    std::string folder_;
    std::string path_;
    std::string draft_;
};

// Puts the file of an in-place journal back as it was: its old bytes, size and times, durably.
int RestoreFile(FileTagIo& io, int fd, const TagJournal& journal) {
    int error = io.WriteAt(fd, journal.oldBytesOffset, journal.oldBytes);
    if (error == 0) {
        error = io.Truncate(fd, journal.oldSize);
    }
    const struct timespec times[2] = {journal.oldAccessTime, journal.oldModificationTime};
    if (error == 0) {
        error = io.SetTimes(fd, times);
    }
    return error != 0 ? error : io.Sync(fd);
}

// Undoes what the journal's write may have done; 0 when nothing of it is left to undo.
int Undo(FileTagIo& io, const TagJournal& journal) {
    const std::string folder = FolderOf(journal.path);
    if (!journal.newFileName.empty()) {
        // A rebuild changes nothing of the old file: only its half-made new one goes.
        const int error = io.Remove(Join(folder, journal.newFileName));
        if (error != 0 && error != ENOENT) {
            return error == ENOTDIR ? 0 : error;
        }
        const int synced = io.SyncFolder(folder);
        return synced == ENOENT ? 0 : synced;
    }
    UniqueFd file;
    int error = io.Open(journal.path, kOpenFlags, 0, file);
    // Gone, or something else by the name now: nothing of the write is there to undo.
    if (error == ENOENT || error == ENOTDIR || error == ELOOP || error == EISDIR) {
        return 0;
    }
    struct stat status {};
    if (error == 0) {
        error = io.Status(file.Get(), status);
    }
    if (error != 0) {
        return error;
    }
    if (status.st_dev != journal.device || status.st_ino != journal.inode) {
        return 0;
    }
    return RestoreFile(io, file.Get(), journal);
}

bool RecoverLocked(FileTagIo& io, const std::string& folder) {
    JournalFile journal(io, folder);
    if (journal.RemoveDraft() != 0) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    const int error = journal.Read(bytes);
    if (error != 0) {
        return error == ENOENT;
    }
    const TagJournalRead read = DecodeTagJournal(bytes);
    if (read.state == TagJournalRead::State::kNewer) {
        return false;
    }
    if (read.state == TagJournalRead::State::kValid && Undo(io, read.journal) != 0) {
        return false;
    }
    return journal.Remove() == 0;
}

// The file's bytes as the plan reads them.
class DescriptorSource final : public common::ByteSource {
  public:
    DescriptorSource(FileTagIo& io, int fd, std::uint64_t size) : io_(io), fd_(fd), size_(size) {}

    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        return common::FitsWithin(offset, out.size(), size_) && io_.ReadAt(fd_, offset, out) == 0;
    }

  private:
    FileTagIo& io_;
    int fd_;
    std::uint64_t size_;
};

// One plan carried out on the file open as fd, which was as planned when it was planned.
class TagWrite {
  public:
    TagWrite(FileTagIo& io, const std::string& journalFolder, std::string path, int fd,
             const struct stat& planned)
        : io_(io),
          journal_(io, journalFolder),
          path_(std::move(path)),
          fd_(fd),
          planned_(planned) {}

    TagWriteResult InPlace(const mp4::InPlaceWrite& write);
    TagWriteResult Rebuild(const mp4::Rebuild& rebuild);

  private:
    // The same file by the path, with the size, contents and status it was planned with.
    bool Unchanged();
    TagJournal NewJournal() const;
    TagWriteResult RollBack(const TagJournal& journal, int error);
    // Empty when the new file is whole, synced, and has the old one's owner, mode and times.
    std::string FillNewFile(int fd, const mp4::Rebuild& rebuild);
    bool Fits(const mp4::Rebuild& rebuild) const;

    FileTagIo& io_;
    JournalFile journal_;
    std::string path_;
    int fd_;
    struct stat planned_;
};

bool TagWrite::Unchanged() {
    struct stat now {};
    struct stat named {};
    return io_.Status(fd_, now) == 0 && io_.PathStatus(path_, named) == 0 &&
           now.st_dev == planned_.st_dev && now.st_ino == planned_.st_ino &&
           now.st_size == planned_.st_size && SameTime(now.st_mtim, planned_.st_mtim) &&
           SameTime(now.st_ctim, planned_.st_ctim) && named.st_dev == planned_.st_dev &&
           named.st_ino == planned_.st_ino;
}

TagJournal TagWrite::NewJournal() const {
    TagJournal journal;
    journal.path = path_;
    journal.device = planned_.st_dev;
    journal.inode = planned_.st_ino;
    journal.oldSize = static_cast<std::uint64_t>(planned_.st_size);
    journal.oldAccessTime = planned_.st_atim;
    journal.oldModificationTime = planned_.st_mtim;
    return journal;
}

TagWriteResult TagWrite::InPlace(const mp4::InPlaceWrite& write) {
    const auto oldSize = static_cast<std::uint64_t>(planned_.st_size);
    if (!common::FitsWithin(write.offset, write.bytes.size(), kLargestFile) ||
        write.newSize > kLargestFile) {
        return Refused("the file would become too large");
    }
    const std::uint64_t end = write.offset + write.bytes.size();
    // The old bytes that the write overwrites or the new size cuts off.
    std::uint64_t first = std::min(write.offset, oldSize);
    std::uint64_t last = std::min(end, oldSize);
    if (write.newSize < oldSize) {
        first = std::min(first, write.newSize);
        last = oldSize;
    }
    TagJournal journal = NewJournal();
    journal.oldBytesOffset = first;
    journal.oldBytes.resize(static_cast<std::size_t>(last - first));
    if (const int error = io_.ReadAt(fd_, first, journal.oldBytes); error != 0) {
        return Refused(ReadReason(error));
    }
    if (!Unchanged()) {
        return Refused(kChanged);
    }
    if (const int error = journal_.Commit(journal); error != 0) {
        return Refused(Reason(error, "the library's folder"));
    }
    // The space is set aside after the journal, so that even the times a reservation changes
    // are put back after a crash; it still comes before the first byte is overwritten.
    int error = end > oldSize ? io_.Reserve(fd_, oldSize, end - oldSize) : 0;
    if (CannotReserve(error)) {
        error = 0;
    }
    if (error == 0) {
        error = io_.WriteAt(fd_, write.offset, write.bytes);
    }
    if (error == 0 && write.newSize != std::max(oldSize, end)) {
        error = io_.Truncate(fd_, write.newSize);
    }
    if (error == 0) {
        error = io_.Sync(fd_);
    }
    // Until the journal is gone for good, a crash would still undo the write.
    if (error == 0) {
        error = journal_.Remove();
    }
    return error == 0 ? TagWriteResult{TagWriteOutcome::kWritten, {}} : RollBack(journal, error);
}

TagWriteResult TagWrite::RollBack(const TagJournal& journal, int error) {
    const std::string reason = Reason(error, "the file");
    if (RestoreFile(io_, fd_, journal) != 0) {
        // The journal stays, and puts the file back when the library opens next.
        return Refused(reason + "; the library puts it back when it opens next");
    }
    // A journal that is left behind puts back what is back already.
    journal_.Remove();
    return Refused(reason);
}

bool TagWrite::Fits(const mp4::Rebuild& rebuild) const {
    const auto oldSize = static_cast<std::uint64_t>(planned_.st_size);
    std::uint64_t size = 0;
    for (const mp4::Piece& piece : rebuild.pieces) {
        const bool run = piece.bytes.empty();
        const std::uint64_t length = run ? piece.length : piece.bytes.size();
        if ((run && !common::FitsWithin(piece.oldOffset, length, oldSize)) ||
            !common::FitsWithin(size, length, kLargestFile)) {
            return false;
        }
        size += length;
    }
    return size == rebuild.newSize;
}

TagWriteResult TagWrite::Rebuild(const mp4::Rebuild& rebuild) {
    // Another name would keep the old file, and the two names would part.
    if (planned_.st_nlink > 1) {
        return Refused("the file has other names (hard links)");
    }
    if (!Fits(rebuild)) {
        return Refused("the file's new layout does not add up");
    }
    if (!Unchanged()) {
        return Refused(kChanged);
    }
    const std::string folder = FolderOf(path_);
    TagJournal journal = NewJournal();
    UniqueFd file;
    int error = EEXIST;
    constexpr int kNameAttempts = 4;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        journal.newFileName = NewFileName(NameOf(path_));
        // The name is in the journal before the file exists, so that no crash leaves it behind.
        if (const int failed = journal_.Commit(journal); failed != 0) {
            return Refused(Reason(failed, "the library's folder"));
        }
        error = io_.Open(Join(folder, journal.newFileName),
                         O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600, file);
    }
    if (error != 0) {
        journal_.Remove();
        return Refused(Reason(error, "the file's folder"));
    }
    const std::string newPath = Join(folder, journal.newFileName);
    std::string reason = FillNewFile(file.Get(), rebuild);
    if (reason.empty() && !file.Close()) {
        reason = Reason(EIO, "the file");
    }
    if (reason.empty() && !Unchanged()) {
        reason = kChanged;
    }
    if (reason.empty()) {
        if (const int failed = io_.Rename(newPath, path_); failed != 0) {
            reason = Reason(failed, "the file");
        }
    }
    if (!reason.empty()) {
        // The journal names the new file for Recover until the file is gone for good.
        const int removed = io_.Remove(newPath);
        if ((removed == 0 || removed == ENOENT) && io_.SyncFolder(folder) == 0) {
            journal_.Remove();
        }
        return Refused(reason);
    }
    // The new file has the old one's name: the write is done. A journal left behind names a new
    // file that is no longer there, and an old file Recover leaves alone.
    io_.SyncFolder(folder);
    journal_.Remove();
    return {TagWriteOutcome::kWritten, {}};
}

std::string TagWrite::FillNewFile(int fd, const mp4::Rebuild& rebuild) {
    int error = io_.Reserve(fd, 0, rebuild.newSize);
    if (CannotReserve(error)) {
        error = 0;
    }
    std::uint64_t at = 0;
    for (auto piece = rebuild.pieces.begin(); error == 0 && piece != rebuild.pieces.end();
         ++piece) {
        if (piece->bytes.empty()) {
            error = io_.Copy(fd_, piece->oldOffset, fd, at, piece->length);
            at += piece->length;
        } else {
            error = io_.WriteAt(fd, at, piece->bytes);
            at += piece->bytes.size();
        }
    }
    if (error != 0) {
        // The old file ended before a run of it: it was cut while it was copied.
        return error == ENODATA ? kChanged : Reason(error, "the file");
    }
    // The new file takes the old one's place, with its owner, mode and times. Without the right
    // to give files away, a file that is ours already stays ours; only its group may differ.
    error = io_.SetOwner(fd, planned_.st_uid, planned_.st_gid);
    if (error == EPERM && planned_.st_uid == ::geteuid()) {
        error = 0;
    }
    if (error != 0) {
        return error == EPERM ? "the file belongs to another user" : Reason(error, "the file");
    }
    // After the owner: giving a file away clears its set-user and set-group bits.
    error = io_.SetMode(fd, planned_.st_mode & 07777);
    const struct timespec times[2] = {planned_.st_atim, planned_.st_mtim};
    if (error == 0) {
        error = io_.SetTimes(fd, times);
    }
    if (error == 0) {
        error = io_.Sync(fd);
    }
    return error == 0 ? std::string() : Reason(error, "the file");
}

}  // namespace

TagWriteResult FileTagWriter::Write(const std::string& path, const mp4::EpisodeTags& tags) {
    return WritePlanned(path,
                        [&](common::ByteSource& file) { return mp4::PlanTagWrite(file, tags); });
}

TagWriteResult FileTagWriter::WritePlanned(const std::string& given, const Planner& planner) {
    const std::string path = Absolute(given);
    UniqueFd lock;
    if (const int error = LockFolder(io_, folder_, lock); error != 0) {
        return Refused(Reason(error, "the library's folder"));
    }
    // The journal has one name: a write an earlier crash interrupted is undone before it is
    // reused.
    if (!RecoverLocked(io_, folder_)) {
        return Refused("an interrupted earlier write could not be undone");
    }
    UniqueFd file;
    if (const int error = io_.Open(path, kOpenFlags, 0, file); error != 0) {
        return Refused(OpenReason(error));
    }
    struct stat planned {};
    if (const int error = io_.Status(file.Get(), planned); error != 0) {
        return Refused(ReadReason(error));
    }
    if (!S_ISREG(planned.st_mode)) {
        return Refused("the file is not a regular file");
    }
    DescriptorSource source(io_, file.Get(), static_cast<std::uint64_t>(planned.st_size));
    const mp4::TagWritePlan plan = planner(source);
    if (plan.Refused()) {
        return Refused(plan.refusal);
    }
    if (plan.Unchanged()) {
        return {TagWriteOutcome::kUnchanged, {}};
    }
    TagWrite write(io_, folder_, path, file.Get(), planned);
    if (const auto* inPlace = std::get_if<mp4::InPlaceWrite>(&plan.write)) {
        return write.InPlace(*inPlace);
    }
    return write.Rebuild(std::get<mp4::Rebuild>(plan.write));
}

bool FileTagWriter::Recover(const std::string& journalFolder, FileTagIo& io) {
    UniqueFd lock;
    const int error = LockFolder(io, journalFolder, lock);
    // No folder, no journal in it.
    if (error != 0) {
        return error == ENOENT;
    }
    return RecoverLocked(io, journalFolder);
}

}  // namespace itunes::library
