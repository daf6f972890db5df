#include "common/machine_prefix.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace common {
namespace {

constexpr mode_t kPrivateFolder = 0700;

std::string_view Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string WithoutTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return std::string(path);
}

std::string Join(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (joined.empty() || joined.back() != '/') {
        joined += '/';
    }
    return joined + std::string(name);
}

// HOME, else the account database's entry for the user (HOME is missing under some service
// managers and in some containers).
std::string HomeFolder() {
    const std::string_view home = Variable("HOME");
    if (!home.empty()) {
        return WithoutTrailingSeparators(home);
    }
    long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(bufferSize > 0 ? static_cast<std::size_t>(bufferSize) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] == '\0') {
        return {};
    }
    return WithoutTrailingSeparators(found->pw_dir);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates path and its missing parents, each private. A folder that already exists keeps the
// permissions it has: VEXO_PREFIX may name one the user shares on purpose. Another process
// creating the same folder at the same moment is no failure.
bool MakeFolders(const std::string& path) {
    if (IsFolder(path)) {
        return true;
    }
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) {
        return false;
    }
    if (mkdir(path.c_str(), kPrivateFolder) == 0) {
        // The umask may have taken bits that the owner needs; it may not add any.
        return chmod(path.c_str(), kPrivateFolder) == 0;
    }
    return errno == EEXIST && IsFolder(path);
}

}  // namespace

std::string MachinePrefix() {
    const std::string_view prefix = Variable("VEXO_PREFIX");
    if (!prefix.empty()) {
        // A relative prefix is taken from the working folder once, so that the paths inside it
        // stay the same when the program changes folders later.
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(prefix, error);
        return WithoutTrailingSeparators(error ? std::string(prefix) : absolute.string());
    }
    // The XDG rules ignore a relative XDG_DATA_HOME.
    const std::string_view dataHome = Variable("XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome.front() == '/') {
        return Join(WithoutTrailingSeparators(dataHome), "vexo");
    }
    const std::string home = HomeFolder();
    if (home.empty()) {
        return {};
    }
    return Join(home, ".local/share/vexo");
}

std::optional<std::string> EnsureMachinePrefix() {
    const std::string prefix = MachinePrefix();
    if (prefix.empty() || !MakeFolders(prefix) || !MakeFolders(Join(prefix, "Program Files"))) {
        return std::nullopt;
    }
    return prefix;
}

std::string RegistryStorePath() {
    const std::string prefix = MachinePrefix();
    return prefix.empty() ? std::string() : Join(prefix, "registry.db");
}

std::string ProgramFilesFolder() {
    const std::string prefix = MachinePrefix();
    return prefix.empty() ? std::string() : Join(prefix, "Program Files");
}

std::string MediaLibraryPath() {
    const std::string prefix = MachinePrefix();
    return prefix.empty() ? std::string() : Join(prefix, "Music/iTunes/iTunes Library.db");
}

}  // namespace common
