#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "common/own_program.h"

namespace common {

namespace {

// The kernel names an executable that was replaced or removed after it started with this
// suffix; the folder and name it had are still the ones wanted.
constexpr std::string_view kDeletedSuffix = " (deleted)";

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

// readlink does not say how long the target is, only that it filled the buffer: grow until
// the answer is shorter than the buffer.
std::optional<std::string> OwnProgramPath() {
    constexpr std::size_t kLongestPath = std::size_t{1} << 20;
    for (std::size_t size = 256; size <= kLongestPath; size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length <= 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
    }
    return std::nullopt;
}

// OwnProgramPath keeps the kernel's suffix: a program that opens itself must not open another
// file that has taken its name since. The folder and name it was started from are wanted here.
ProgramFile OwnProgramFile() {
    std::string path = OwnProgramPath().value_or("");
    if (path.empty()) {
        return {};
    }
    if (path.ends_with(kDeletedSuffix) && !Exists(path)) {
        path.resize(path.size() - kDeletedSuffix.size());
    }
    return ProgramFileFromPath(path);
}

}  // namespace common
