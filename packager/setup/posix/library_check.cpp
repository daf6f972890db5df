#include "packager/setup/posix/library_check.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <set>

#include "common/byte_order.h"
#include "common/posix/unique_fd.h"
#include "packager/setup/posix/file_text.h"

extern char** environ;

namespace setup::posix {

namespace {

using common::posix::UniqueFd;

constexpr std::uint32_t kProgramInterpreter = 3;  // PT_INTERP

bool ReadAt(int fd, std::uint64_t offset, std::uint8_t* out, std::size_t size) {
    return ::pread(fd, out, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

// The program loader a little-endian ELF file names (its PT_INTERP); empty for any other file
// and for an ELF file without one, which the kernel starts without a loader.
std::string ProgramLoaderOf(const std::string& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::array<std::uint8_t, 64> header{};
    if (!fd.Valid() || !ReadAt(fd.Get(), 0, header.data(), 52) || header[0] != 0x7F ||
        header[1] != 'E' || header[2] != 'L' || header[3] != 'F' || header[5] != 1) {
        return {};
    }
    const bool is64 = header[4] == 2;
    if (is64 && !ReadAt(fd.Get(), 0, header.data(), 64)) {
        return {};
    }
    const std::uint64_t tableOffset =
        is64 ? common::LoadLe64(&header[32]) : common::LoadLe32(&header[28]);
    const std::uint16_t entryBytes = common::LoadLe16(&header[is64 ? 54 : 42]);
    const std::uint16_t count = common::LoadLe16(&header[is64 ? 56 : 44]);
    if (entryBytes < (is64 ? 56 : 32)) {
        return {};
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        std::array<std::uint8_t, 56> entry{};
        if (!ReadAt(fd.Get(), tableOffset + std::uint64_t{i} * entryBytes, entry.data(),
                    is64 ? 56 : 32)) {
            return {};
        }
        if (common::LoadLe32(entry.data()) != kProgramInterpreter) {
            continue;
        }
        const std::uint64_t offset =
            is64 ? common::LoadLe64(&entry[8]) : common::LoadLe32(&entry[4]);
        const std::uint64_t size =
            is64 ? common::LoadLe64(&entry[32]) : common::LoadLe32(&entry[16]);
        if (size == 0 || size > 4096) {
            return {};
        }
        std::string loader(size, '\0');
        if (!ReadAt(fd.Get(), offset, reinterpret_cast<std::uint8_t*>(loader.data()), size)) {
            return {};
        }
        return loader.substr(0, loader.find('\0'));
    }
    return {};
}

// Owns what posix_spawn is handed for one start.
class SpawnActions {
  public:
    SpawnActions() { ready_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ready_) {
            ::posix_spawn_file_actions_destroy(&actions_);
        }
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    // Standard output to output; standard input and errors to /dev/null.
    bool Redirect(int output) {
        return ready_ &&
               ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY,
                                                  0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&actions_, output, STDOUT_FILENO) == 0 &&
               ::posix_spawn_file_actions_addopen(&actions_, STDERR_FILENO, "/dev/null", O_WRONLY,
                                                  0) == 0;
    }
    const posix_spawn_file_actions_t* Get() const { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_{};
    bool ready_ = false;
};

// What the loader prints when asked to trace the file's libraries instead of starting it; its
// own exit status says nothing more than the lines do.
std::optional<std::string> TraceLibraries(const std::string& loader, const std::string& file) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd(ends[1]);
    SpawnActions actions;
    if (!actions.Redirect(writeEnd.Get())) {
        return std::nullopt;
    }
    std::vector<std::string> environment = {"LD_TRACE_LOADED_OBJECTS=1"};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (!std::string_view(*variable).starts_with("LD_TRACE_LOADED_OBJECTS=")) {
            environment.emplace_back(*variable);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string program = loader;
    std::string argument = file;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = -1;
    if (::posix_spawn(&child, loader.c_str(), actions.Get(), nullptr, argv, envp.data()) != 0) {
        return std::nullopt;
    }
    writeEnd.Close();
    std::optional<std::string> output = ReadToEnd(readEnd.Get());
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return output;
}

// "\tlibfoo.so.1 => not found" lines.
std::vector<std::string> NotFound(std::string_view trace) {
    constexpr std::string_view kNotFound = " => not found";
    std::vector<std::string> names;
    while (!trace.empty()) {
        const std::size_t end = trace.find('\n');
        std::string_view line = trace.substr(0, end);
        trace = end == std::string_view::npos ? std::string_view() : trace.substr(end + 1);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (line.ends_with(kNotFound)) {
            names.emplace_back(line.substr(0, line.size() - kNotFound.size()));
        }
    }
    return names;
}

std::string_view BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

LibraryCheck FindMissingLibraries(const std::vector<std::string>& files) {
    LibraryCheck check;
    for (const std::string& file : files) {
        const std::string loader = ProgramLoaderOf(file);
        if (loader.empty()) {
            continue;
        }
        const std::string neededBy(BaseName(file));
        if (::access(loader.c_str(), X_OK) != 0) {
            check.missing.push_back({loader, neededBy});
            continue;
        }
        const std::optional<std::string> trace = TraceLibraries(loader, file);
        if (!trace) {
            check.error = "cannot start the program loader " + loader + " to check " + neededBy;
            return check;
        }
        for (std::string& name : NotFound(*trace)) {
            check.missing.push_back({std::move(name), neededBy});
        }
    }
    return check;
}

std::optional<std::string_view> DebianPackageFor(std::string_view library) {
    struct Row {
        std::string_view library;
        std::string_view package;
    };
    // What Plumex and vexo link, directly, as Debian 12 ships it.
    static constexpr Row kPackages[] = {
        {"libQt6Widgets.so.6", "libqt6widgets6"},
        {"libQt6Gui.so.6", "libqt6gui6"},
        {"libQt6Core.so.6", "libqt6core6"},
        {"libavformat.so.59", "libavformat59"},
        {"libavcodec.so.59", "libavcodec59"},
        {"libavutil.so.57", "libavutil57"},
        {"libsqlite3.so.0", "libsqlite3-0"},
        {"libxcb.so.1", "libxcb1"},
        {"libstdc++.so.6", "libstdc++6"},
        {"libgcc_s.so.1", "libgcc-s1"},
        {"libc.so.6", "libc6"},
        {"libm.so.6", "libc6"},
        {"ld-linux-x86-64.so.2", "libc6"},
    };
    const std::string_view name = BaseName(library);
    for (const Row& row : kPackages) {
        if (row.library == name) {
            return row.package;
        }
    }
    return std::nullopt;
}

std::string DescribeMissing(const std::vector<MissingLibrary>& missing) {
    std::string text;
    std::set<std::string_view> packages;
    for (const MissingLibrary& library : missing) {
        const std::optional<std::string_view> package = DebianPackageFor(library.name);
        text += "  " + library.name + " (needed by " + library.neededBy + "): ";
        if (package) {
            text += "Debian package " + std::string(*package) + "\n";
            packages.insert(*package);
        } else {
            text += "no Debian package known\n";
        }
    }
    if (!packages.empty()) {
        text += "Install them with:\n  sudo apt install";
        for (const std::string_view package : packages) {
            text += " " + std::string(package);
        }
        text += "\n";
    }
    return text;
}

}  // namespace setup::posix
