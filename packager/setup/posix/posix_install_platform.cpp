#include "packager/setup/posix/posix_install_platform.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/posix/unique_fd.h"
#include "packager/setup/posix/file_text.h"
#include "packager/setup/posix/install_texts.h"
#include "packager/setup/setup_path.h"

namespace setup::posix {

namespace {

using common::posix::UniqueFd;

// The folder's own entry for a name made, renamed or removed in it.
bool SyncFolderOf(const std::string& path) {
    const std::string folder = ParentFolder(path).value_or(".");
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.Valid() && ::fsync(fd.Get()) == 0;
}

// Whether a removal that failed had nothing to remove. A read-only file system refuses to remove
// what is not there before it looks, so the error alone does not tell.
bool Gone(const std::string& path) {
    const int error = errno;
    struct stat status {};
    const bool gone = ::lstat(path.c_str(), &status) != 0 && errno == ENOENT;
    errno = error;
    return gone;
}

std::string BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

void PosixInstallPlatform::Provide(std::string source, std::string text) {
    provided_.insert_or_assign(std::move(source), std::move(text));
}

bool PosixInstallPlatform::Fail(std::string_view what, const std::string& path) {
    error_ = std::string(what) + " " + path + ": " + std::strerror(errno);
    return false;
}

InstallPlatform::PathKind PosixInstallPlatform::Find(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return PathKind::kMissing;
    }
    if (S_ISLNK(status.st_mode) && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        return PathKind::kFolder;
    }
    return S_ISDIR(status.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

std::optional<std::uint64_t> PosixInstallPlatform::FileSize(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        Fail("cannot read", path);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(status.st_size);
}

std::optional<std::string> PosixInstallPlatform::ReadFile(const std::string& path) {
    if (const auto provided = provided_.find(path); provided != provided_.end()) {
        return provided->second;
    }
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        Fail("cannot open", path);
        return std::nullopt;
    }
    std::optional<std::string> bytes = ReadToEnd(fd.Get());
    if (!bytes) {
        Fail("cannot read", path);
    }
    return bytes;
}

bool PosixInstallPlatform::CreateFolder(const std::string& path) {
    // The user's umask applies, as to every folder a program of theirs makes.
    if (::mkdir(path.c_str(), 0755) != 0) {
        return Fail("cannot create the folder", path);
    }
    return SyncFolderOf(path) || Fail("cannot flush the folder of", path);
}

bool PosixInstallPlatform::WriteNew(const std::string& path, std::string_view bytes, mode_t mode) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd.Valid()) {
        return Fail("cannot create", path);
    }
    if (!WriteAll(fd.Get(), bytes) || ::fsync(fd.Get()) != 0 || !fd.Close()) {
        return Fail("cannot write", path);
    }
    return SyncFolderOf(path) || Fail("cannot flush the folder of", path);
}

bool PosixInstallPlatform::CopyFile(const std::string& from, const std::string& to) {
    const std::optional<std::string> bytes = ReadFile(from);
    if (!bytes) {
        return false;
    }
    return WriteNew(to, *bytes, ParentFolder(to) == programs_ ? 0755 : 0644);
}

bool PosixInstallPlatform::WriteFile(const std::string& path, std::string_view text) {
    return WriteNew(path, text, 0644);
}

bool PosixInstallPlatform::CreateShortcut(const Shortcut& shortcut) {
    return WriteNew(
        shortcut.path,
        InstalledDesktopEntry(desktopEntry_, BaseName(shortcut.target), shortcut.target), 0644);
}

bool PosixInstallPlatform::AppendFile(const std::string& path, std::string_view text) {
    if (stopRequested_ && stopRequested_()) {
        error_ = "the setup was asked to end";
        return false;
    }
    const bool made = Find(path) == PathKind::kMissing;
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.Valid()) {
        return Fail("cannot open", path);
    }
    if (!WriteAll(fd.Get(), text) || ::fdatasync(fd.Get()) != 0 || !fd.Close()) {
        return Fail("cannot write", path);
    }
    return !made || SyncFolderOf(path) || Fail("cannot flush the folder of", path);
}

bool PosixInstallPlatform::RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return Gone(path) || Fail("cannot remove", path);
    }
    return SyncFolderOf(path) || Fail("cannot flush the folder of", path);
}

bool PosixInstallPlatform::RemoveEmptyFolder(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) {
        return Gone(path) || Fail("cannot remove the folder", path);
    }
    return SyncFolderOf(path) || Fail("cannot flush the folder of", path);
}

bool PosixInstallPlatform::MoveFile(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        // A file system that cannot refuse to replace in the same call (some network ones):
        // the check and the rename are two, which only another writer in the folder can part.
        const bool unsupported = errno == EINVAL;
        if (!unsupported || Find(to) != PathKind::kMissing) {
            errno = unsupported ? EEXIST : errno;
            return Fail("cannot rename " + from + " to", to);
        }
        if (::rename(from.c_str(), to.c_str()) != 0) {
            return Fail("cannot rename " + from + " to", to);
        }
    }
    return SyncFolderOf(from) && SyncFolderOf(to) ? true : Fail("cannot flush the folder of", to);
}

}  // namespace setup::posix
