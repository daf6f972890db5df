// Reading the package, writing the entries, and listing and removing the temporary folder.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>

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

class ReadableFile final : public common::ByteSource {
  public:
    ReadableFile(UniqueFd fd, std::uint64_t size) : fd_(std::move(fd)), size_(size) {}

    std::uint64_t Size() const override { return size_; }

    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
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

  private:
    UniqueFd fd_;
    std::uint64_t size_;
};

class EntryFile final : public WritableFile {
  public:
    explicit EntryFile(UniqueFd fd) : fd_(std::move(fd)) {}

    bool Write(std::span<const std::uint8_t> bytes) override {
        return TransferAll(bytes.size(), [&](std::size_t done) {
            return ::write(fd_.Get(), bytes.data() + done, bytes.size() - done);
        });
    }

    bool Flush() override { return ::fdatasync(fd_.Get()) == 0; }

  private:
    UniqueFd fd_;
};

bool IsDot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
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

std::unique_ptr<common::ByteSource> PosixPlatform::OpenForReading(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!fd.Valid() || ::fstat(fd.Get(), &status) != 0) {
        return nullptr;
    }
    ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<ReadableFile>(std::move(fd),
                                          static_cast<std::uint64_t>(status.st_size));
}

std::unique_ptr<WritableFile> PosixPlatform::CreateFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.Valid()) {
        return nullptr;
    }
    return std::make_unique<EntryFile>(std::move(fd));
}

FolderListing PosixPlatform::ListFolder(const std::string& folder) {
    FolderListing listing;
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid()) {
        return listing;
    }
    DIR* dir = ::fdopendir(fd.Get());
    if (dir == nullptr) {
        return listing;
    }
    fd.Release();  // the listing owns it now
    listing.opened = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsDot(entry->d_name)) {
            listing.items.push_back({entry->d_name, IsRealFolder(::dirfd(dir), *entry)});
        }
    }
    listing.closedCleanly = ::closedir(dir) == 0;
    return listing;
}

bool PosixPlatform::DeleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool PosixPlatform::RemoveFolder(const std::string& folder) {
    return ::rmdir(folder.c_str()) == 0;
}

}  // namespace packager::posix
