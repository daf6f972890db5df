// Reading the package, writing the entries, and listing and removing the temporary folder.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <string_view>

#include "common/posix/unique_fd.h"
#include "packager/posix/posix_platform.h"

namespace packager::posix {

namespace {

using common::posix::UniqueFd;

// Repeats a read or write of the bytes from an offset on until all size bytes have moved; false
// at an error or at the end of the file.
template <typename Transfer>
bool TransferAll(std::size_t size, Transfer transfer) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = transfer(done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool IsDot(std::string_view name) {
    return name == "." || name == "..";
}

bool IsRealFolder(int folderFd, const dirent& entry) {
    if (entry.d_type != DT_UNKNOWN) {
        return entry.d_type == DT_DIR;
    }
    struct stat status {};
    return ::fstatat(folderFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(status.st_mode);
}

}  // namespace

bool PackageFile::Open(const char* path) {
    fd_ = UniqueFd(::open(path, O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!fd_.Valid() || ::fstat(fd_.Get(), &status) != 0) {
        Close();
        return false;
    }
    ::posix_fadvise(fd_.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    size_ = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool PackageFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    // No file reaches past the offsets that the system can name.
    constexpr auto kFileOffsets = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    if (!common::FitsWithin(offset, out.size(), kFileOffsets)) {
        return false;
    }
    return TransferAll(out.size(), [&](std::size_t done) {
        return ::pread(fd_.Get(), out.data() + done, out.size() - done,
                       static_cast<off_t>(offset + done));
    });
}

bool EntryFile::Create(const char* path) {
    fd_ = UniqueFd(::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    return fd_.Valid();
}

bool EntryFile::Write(std::span<const std::uint8_t> bytes) {
    return TransferAll(bytes.size(), [&](std::size_t done) {
        return ::write(fd_.Get(), bytes.data() + done, bytes.size() - done);
    });
}

bool EntryFile::Flush() {
    return ::fdatasync(fd_.Get()) == 0;
}

common::ByteSource* PosixPlatform::OpenForReading(const char* path) {
    return package_.Open(path) ? &package_ : nullptr;
}

void PosixPlatform::ClosePackage() {
    package_.Close();
}

WritableFile* PosixPlatform::CreateFile(const char* path) {
    return entry_.Create(path) ? &entry_ : nullptr;
}

void PosixPlatform::CloseFile() {
    entry_.Close();
}

FolderItem PosixPlatform::FirstItem(PathBuffer& path) {
    UniqueFd fd(::open(path.CStr(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid()) {
        return FolderItem::Nothing;
    }
    DIR* dir = ::fdopendir(fd.Get());
    if (dir == nullptr) {
        return FolderItem::Nothing;
    }
    fd.Release();  // the listing owns it now
    FolderItem item = FolderItem::Nothing;
    errno = 0;
    const dirent* entry = nullptr;
    while ((entry = ::readdir(dir)) != nullptr) {
        if (!IsDot(entry->d_name)) {
            item = IsRealFolder(::dirfd(dir), *entry) ? FolderItem::Folder : FolderItem::File;
            break;
        }
    }
    // readdir tells the end from an error only by errno.
    const bool complete = item != FolderItem::Nothing || errno == 0;
    const std::size_t folder = path.Length();
    if (item != FolderItem::Nothing && !(path.Append("/") && path.Append(entry->d_name))) {
        path.Truncate(folder);
        item = FolderItem::Failed;
    }
    if (::closedir(dir) != 0 || !complete) {
        path.Truncate(folder);
        return FolderItem::Failed;
    }
    return item;
}

bool PosixPlatform::DeleteFile(const char* path) {
    return ::unlink(path) == 0;
}

bool PosixPlatform::RemoveFolder(const char* folder) {
    return ::rmdir(folder) == 0;
}

}  // namespace packager::posix
