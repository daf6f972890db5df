// The program's own path and the temporary folder.
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "packager/posix/posix_platform.h"

namespace packager::posix {

bool PosixPlatform::OwnPath(PathBuffer& path) {
    // The running image itself: opening /proc/self/exe opens the file the program was started
    // from even when that has been moved, deleted or replaced since, where the name it had would
    // open someone else's file or none.
    constexpr const char* kRunningImage = "/proc/self/exe";
    if (::access(kRunningImage, R_OK) == 0) {
        return path.Assign(kRunningImage);
    }
    // readlink does not say how long the target is, only that it filled the buffer.
    const std::span<char> storage = path.Storage();
    const ssize_t length = ::readlink(kRunningImage, storage.data(), storage.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= storage.size()) {
        path.SetLength(0);
        return false;
    }
    path.SetLength(static_cast<std::size_t>(length));
    return true;
}

bool PosixPlatform::TempFolder(PathBuffer& folder) {
    const char* fromEnvironment = std::getenv("TMPDIR");
    if (!folder.Assign(fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment
                                                                              : P_tmpdir)) {
        return false;
    }
    while (folder.Length() > 1 && folder.View().back() == '/') {
        folder.Truncate(folder.Length() - 1);
    }
    return true;
}

bool PosixPlatform::CreateUniqueFolder(PathBuffer& path, std::string_view prefix) {
    const std::size_t parent = path.Length();
    if ((parent == 0 || path.View().back() != '/') && !path.Append("/")) {
        return false;
    }
    // mkdtemp writes the characters it chose over the X's.
    if (!path.Append(prefix) || !path.Append("XXXXXX") ||
        ::mkdtemp(path.Storage().data()) == nullptr) {
        path.Truncate(parent);
        return false;
    }
    // mkdtemp asks for 0700; a umask cannot then have taken the owner's own rights away.
    ::chmod(path.CStr(), S_IRWXU);
    return true;
}

}  // namespace packager::posix
