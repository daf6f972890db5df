// VEXOSetup stopped from outside, end to end: a signal, Ctrl+C on its terminal or the loss of
// its display, while it extracts and while setup.exe runs. Each is a Cancel: the program passes
// it on to a running setup.exe, removes its folder once that has ended, and ends with 128 + the
// signal's number (a lost display counting as a hang-up), never with 1 ("could not set itself
// up").
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "common/posix/unique_fd.h"
#include "tests/packager/setup_sandbox.h"
#include "tests/packager/written_packages.h"
#include "tests/support/announcement.h"
#include "tests/support/files.h"
#include "tests/support/private_display.h"

namespace packager::test {
namespace {

namespace fs = std::filesystem;
using ::testing::IsEmpty;
using testing_support::Bytes;
using testing_support::SetupRunOptions;
using testing_support::SetupSandbox;
using namespace vexo::test_support;

enum class Stop { Kill, CtrlC, LoseDisplay };

struct StopCase {
    const char* name;
    Stop how;
    int signal;             // sent, or the one the program ends as
    const char* setupSees;  // what a running setup.exe receives
};

const StopCase kStops[] = {
    {"SIGINT", Stop::Kill, SIGINT, "INT"},
    {"SIGTERM", Stop::Kill, SIGTERM, "TERM"},
    {"SIGHUP", Stop::Kill, SIGHUP, "HUP"},
    {"CtrlC", Stop::CtrlC, SIGINT, "INT"},
    {"LostDisplay", Stop::LoseDisplay, SIGHUP, "HUP"},
};

void PrintTo(const StopCase& stop, std::ostream* out) {
    *out << stop.name;
}

// Extracting; a failure being reported (the stop comes as the Extraction Failure box is shown,
// or just before: either way nobody may be there to answer it); setup.exe running.
enum class Phase { Extracting, ReportingFailure, SetupRunning };

const char* PhaseName(Phase phase) {
    switch (phase) {
        case Phase::Extracting:
            return "Extracting";
        case Phase::ReportingFailure:
            return "ReportingFailure";
        case Phase::SetupRunning:
            break;
    }
    return "SetupRunning";
}

void PrintTo(Phase phase, std::ostream* out) {
    *out << PhaseName(phase);
}

// Waits until the package has made its folder in temp (and so is extracting); false when the
// program ended before.
bool AwaitFolderIn(const fs::path& temp, pid_t program) {
    const common::posix::UniqueFd events(::inotify_init1(IN_CLOEXEC));
    if (!events.Valid() || ::inotify_add_watch(events.Get(), temp.c_str(), IN_CREATE) < 0) {
        return false;
    }
    return !fs::is_empty(temp) || AwaitReadableWhile(events.Get(), program);
}

class VexoSetupStopTest : public ::testing::TestWithParam<std::tuple<Phase, StopCase>> {
  protected:
    // A setup program that says it is running, then waits for a stop signal and writes down
    // which one it received.
    testing_support::NamedData WaitingSetup() const {
        std::string script = "#!/bin/sh\n";
        for (const char* signal : {"INT", "TERM", "HUP"}) {
            script += std::string("trap 'echo ") + signal + " > \"" + sandbox_.Marker().string() +
                      "\"; kill $waiting; exit 0' " + signal + "\n";
        }
        // It says so only once the waiting program runs: before its exec, the shell's child
        // would take a signal for the shell's trap and lose it.
        script +=
            "sleep 1000 & waiting=$!\n"
            "until [ \"$(cat /proc/$waiting/comm)\" = sleep ]; do :; done\n"
            "echo running > '" +
            running_.Path().string() + "'\nwait $waiting\n";
        return {"setup.exe", ToBytes(script)};
    }

    SetupSandbox sandbox_;
    Announcement running_{sandbox_.Scratch() / "running"};
};

TEST_P(VexoSetupStopTest, IsACancelThatLeavesNothing) {
    const auto& [phase, stop] = GetParam();
    std::optional<PrivateDisplay> display;
    SetupRunOptions options;
    if (stop.how == Stop::LoseDisplay) {
        display.emplace();
        ASSERT_TRUE(display->Ok()) << "Xvfb could not be started";
        options.platform = "xcb";
        options.display = display->Name();
    }
    options.onTerminal = stop.how == Stop::CtrlC;
    options.answerBoxes = phase != Phase::ReportingFailure;
    std::vector<testing_support::NamedData> files = {WaitingSetup()};
    if (phase == Phase::Extracting) {
        // Large enough that the extraction is still under way when the stop arrives.
        files.insert(files.begin(), {"Plumex.CAB", Bytes(std::size_t{32} << 20, 0x4D)});
    }
    Bytes package = testing_support::MakePackage(ReadBytes(VEXO_SETUP_PATH), files);
    if (phase == Phase::ReportingFailure) {
        package.back() ^= 0x01;  // setup.exe's last byte: its check value no longer matches
    }
    const pid_t program = sandbox_.Start(package, options);

    ASSERT_TRUE(phase == Phase::SetupRunning ? running_.AwaitFrom(program)
                                             : AwaitFolderIn(sandbox_.Temp(), program))
        << sandbox_.Wait().errors;
    switch (stop.how) {
        case Stop::Kill:
            ::kill(program, stop.signal);
            break;
        case Stop::CtrlC:
            sandbox_.Type("\x03");
            break;
        case Stop::LoseDisplay:
            display->Lose();
            break;
    }
    const testing_support::SetupOutcome outcome = sandbox_.Wait();

    EXPECT_EQ(outcome.exitCode, 128 + stop.signal) << outcome.errors;
    EXPECT_THAT(sandbox_.TempFolderContents(), IsEmpty());
    if (phase == Phase::SetupRunning) {
        EXPECT_EQ(ReadText(sandbox_.Marker()), std::string(stop.setupSees) + "\n");
    } else {
        EXPECT_FALSE(fs::exists(sandbox_.Marker())) << "setup.exe was started";
    }
}

INSTANTIATE_TEST_SUITE_P(Stops, VexoSetupStopTest,
                         ::testing::Combine(::testing::Values(Phase::Extracting,
                                                              Phase::ReportingFailure,
                                                              Phase::SetupRunning),
                                            ::testing::ValuesIn(kStops)),
                         [](const auto& param) {
                             return std::string(PhaseName(std::get<0>(param.param))) + "_" +
                                    std::get<1>(param.param).name;
                         });

}  // namespace
}  // namespace packager::test
