// vexo package create, started as a user starts it and asked to stop by a signal while it writes
// the package: it ends with the status of a failed write and leaves neither its temporary file
// nor the package in the output folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/posix/unique_fd.h"
#include "tests/support/announcement.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace vexo::cli::test {
namespace {

namespace fs = std::filesystem;
using common::posix::UniqueFd;
using testing::HasSubstr;
using testing::IsEmpty;
using namespace vexo::test_support;

// "vexo package create --help": 1 when writing failed, which an interrupt makes it.
constexpr int kWriteFailedStatus = 1;

// 2 GiB of zeros in a sparse file: nothing on the disk, yet the writer reads them twice and
// copies them once, several seconds of work (about 4 s optimised, 14 s in the debug build), so
// that the signal, sent as the temporary file appears, always finds it still writing. Stopped at
// once, it writes little more than the stub.
constexpr std::uintmax_t kLargeInputBytes = std::uintmax_t{2} << 30;
constexpr std::string_view kTemporaryPrefix = ".vexo-package-";

// The vexo program, its standard error on a pipe; killed and reaped if the test ends early.
class VexoProcess {
  public:
    explicit VexoProcess(const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        errors_ = UniqueFd(fds[0]);
        const UniqueFd writeEnd(fds[1]);

        std::vector<char*> argv = {const_cast<char*>(VEXO_TOOL_PATH)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDERR_FILENO);
        // Whatever the test runner blocks or ignores, the program gets the signals as a user's
        // shell would hand them over.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t stops;
        sigemptyset(&stops);
        for (const int stop : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&stops, stop);
        }
        posix_spawnattr_setsigdefault(&attributes, &stops);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (::posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~VexoProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
    }
    VexoProcess(const VexoProcess&) = delete;
    VexoProcess& operator=(const VexoProcess&) = delete;

    pid_t Pid() const { return pid_; }

    // The wait status, once the program has ended.
    int Wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

    // Everything written to standard error; after Wait.
    std::string Errors() const {
        std::string text;
        char chunk[512];
        ssize_t n = 0;
        while ((n = ::read(errors_.Get(), chunk, sizeof chunk)) > 0) {
            text.append(chunk, static_cast<std::size_t>(n));
        }
        return text;
    }

  private:
    pid_t pid_ = -1;
    UniqueFd errors_;
};

// Whether one of the inotify events read from fd created a name that begins with prefix.
bool CreatedNameWithPrefix(int fd, std::string_view prefix) {
    alignas(inotify_event) char events[4096];
    const ssize_t length = ::read(fd, events, sizeof events);
    for (ssize_t at = 0; at < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        if (event->len > 0 && std::string_view(event->name).starts_with(prefix)) {
            return true;
        }
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    return false;
}

struct StopCase {
    const char* name;
    int signal;
};

void PrintTo(const StopCase& c, std::ostream* out) {
    *out << c.name;
}

class PackageInterruptTest : public testing::TestWithParam<StopCase> {
  protected:
    TempFolder temp_{"vexo-interrupt"};
};

TEST_P(PackageInterruptTest, StopsWithTheFailureStatusAndLeavesNothing) {
    ASSERT_TRUE(temp_.Ok());
    const fs::path outFolder = temp_ / "out";
    fs::create_directory(outFolder);
    const fs::path large = temp_ / "Plumex.CAB";
    ASSERT_TRUE(WriteFile(large, ""));
    fs::resize_file(large, kLargeInputBytes);
    ASSERT_TRUE(WriteFile(temp_ / "setup.exe", "#!/bin/sh\n"));

    // Watched before the program starts, so that the temporary file's creation cannot be missed.
    const UniqueFd created(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    ASSERT_TRUE(created.Valid());
    ASSERT_GE(::inotify_add_watch(created.Get(), outFolder.c_str(), IN_CREATE), 0);

    VexoProcess vexo({"package", "create", "-o", (outFolder / "Plumex-setup").string(), "--stub",
                      fs::read_symlink("/proc/self/exe").string(), large.string(),
                      temp_ / "setup.exe"});
    ASSERT_GT(vexo.Pid(), 0);
    bool writing = false;
    while (!writing) {
        ASSERT_TRUE(AwaitReadableWhile(created.Get(), vexo.Pid()))
            << "vexo ended before its temporary file appeared: " << vexo.Errors();
        writing = CreatedNameWithPrefix(created.Get(), kTemporaryPrefix);
    }
    ASSERT_EQ(::kill(vexo.Pid(), GetParam().signal), 0);

    const int status = vexo.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kWriteFailedStatus);
    EXPECT_THAT(vexo.Errors(), HasSubstr("interrupted"));
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(outFolder)) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_THAT(left, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(StopSignals, PackageInterruptTest,
                         testing::Values(StopCase{"SIGINT", SIGINT}, StopCase{"SIGTERM", SIGTERM},
                                         StopCase{"SIGHUP", SIGHUP}),
                         [](const testing::TestParamInfo<StopCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
}  // namespace vexo::cli::test
