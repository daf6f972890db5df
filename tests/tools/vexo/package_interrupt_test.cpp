// vexo package create, started as a user starts it and asked to stop by a signal while it writes
// the package: it ends with the status of a failed write and leaves neither its temporary file
// nor the package in the output folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
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
#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

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

// The vexo program, its standard error on a pipe, with the stop signals a user's shell hands
// over; killed and reaped if the test ends early.
class VexoProcess : public vexo::test_support::ChildProcess {
  public:
    explicit VexoProcess(const std::vector<std::string>& args)
        : ChildProcess(WithProgram(args), {false, Output::kErrorsToPipe, true}) {}
    // Everything written to standard error; after Wait.
    std::string Errors() { return ReadAll(); }

  private:
    static std::vector<std::string> WithProgram(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {VEXO_TOOL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
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
