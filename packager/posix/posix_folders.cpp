// The program's own path and the temporary folder.
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/own_program.h"
#include "packager/posix/posix_platform.h"

namespace packager::posix {

std::optional<std::string> PosixPlatform::OwnPath() {
    // The running image itself: opening /proc/self/exe opens the file the program was started
    // from even when that has been moved, deleted or replaced since, where the name it had would
    // open someone else's file or none.
    constexpr const char* kRunningImage = "/proc/self/exe";
    if (::access(kRunningImage, R_OK) == 0) {
        return std::string(kRunningImage);
    }
    return common::OwnProgramPath();
}

std::optional<std::string> PosixPlatform::TempFolder() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string folder =
        fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : P_tmpdir;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::optional<std::string> PosixPlatform::CreateUniqueFolder(const std::string& parent,
                                                             std::string_view prefix) {
    std::string path = parent;
    if (path.empty() || path.back() != '/') {
        path.push_back('/');
    }
    path.append(prefix).append("XXXXXX");
    if (::mkdtemp(path.data()) == nullptr) {
        return std::nullopt;
    }
    // mkdtemp asks for 0700; a umask cannot then have taken the owner's own rights away.
    ::chmod(path.c_str(), S_IRWXU);
    return path;
}

}  // namespace packager::posix
