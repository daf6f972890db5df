// VEXOSetup end to end: packages made from the built program by the package writer, run as a
// separate process without a display (offscreen), with the boxes answered by the program's
// VEXO_SETUP_AUTOANSWER hook, which reports them on stderr.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/packager/written_packages.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace packager::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using testing_support::kExtractionFailureReport;
using testing_support::kSetupFailureReport;
using testing_support::NamedData;
using namespace vexo::test_support;

struct Outcome {
    int exitCode = -1;
    std::string errors;  // the program's stderr
};

class VexoSetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* folder : {"tmp", "caller", "runtime"}) {
            fs::create_directory(scratch_.path() / folder);
        }
        fs::permissions(scratch_.path() / "runtime", fs::perms::owner_all);
        marker_ = scratch_.path() / "marker";
    }

    // The setup program: records its arguments, current folder, its own folder, that folder's
    // mode and contents, then ends with an exit code the program must ignore.
    NamedData SetupScript() const {
        return {"setup.exe", ToBytes("#!/bin/sh\n"
                                     "here=$(dirname \"$0\")\n"
                                     "{ printf '%s\\n' \"$#\" \"$PWD\" \"$here\"\n"
                                     "  stat -c %a \"$here\"\n"
                                     "  ls \"$here\"; } > '" +
                                     marker_.string() + "'\nexit 3\n")};
    }

    // The built program followed by a payload of these files.
    static Bytes MakePackage(const std::vector<NamedData>& files, bool requireSetup = true) {
        return testing_support::MakePackage(Stub(), files, requireSetup);
    }

    static Bytes Stub() { return ReadBytes(VEXO_SETUP_PATH); }

    // Runs the package from the "caller" folder, with its temporary folder in "tmp".
    // With deletedBeforeStart the package's file is gone before the program starts: it runs from
    // an open descriptor, as a package moved, deleted or replaced after its start does.
    Outcome Run(const Bytes& package, std::vector<std::string> arguments = {},
                bool deletedBeforeStart = false) {
        const fs::path program = scratch_.path() / "VEXOSetup-package";
        WriteBytes(program, package);
        fs::permissions(program, fs::perms::owner_all);
        const int image = deletedBeforeStart ? ::open(program.c_str(), O_RDONLY | O_CLOEXEC) : -1;
        if (deletedBeforeStart) {
            // Another file takes the name: the program must not extract that one.
            fs::remove(program);
            WriteBytes(program, ToBytes("not the package"));
        }

        std::vector<std::string> environment = {
            "QT_QPA_PLATFORM=" + platform_,
            "VEXO_SETUP_AUTOANSWER=1",
            "TMPDIR=" + (scratch_.path() / "tmp").string(),
            "PWD=" + (scratch_.path() / "caller").string(),
        };
        if (withRuntimeFolder_) {
            environment.push_back("XDG_RUNTIME_DIR=" + (scratch_.path() / "runtime").string());
        }
        for (char** variable = environ; *variable != nullptr; ++variable) {
            const std::string entry = *variable;
            const std::string name = entry.substr(0, entry.find('='));
            // Without the caller's display: the platform named above is the only window system.
            if (name != "QT_QPA_PLATFORM" && name != "VEXO_SETUP_AUTOANSWER" && name != "TMPDIR" &&
                name != "XDG_RUNTIME_DIR" && name != "PWD" && name != "DISPLAY" &&
                name != "WAYLAND_DISPLAY") {
                environment.push_back(entry);
            }
        }
        std::vector<char*> envp;
        for (std::string& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        std::string path = program.string();
        std::vector<char*> argv = {path.data()};
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const std::string caller = (scratch_.path() / "caller").string();
        const std::string errors = (scratch_.path() / "stderr").string();

        const pid_t child = ::fork();
        if (child == 0) {
            const int errorFd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (errorFd < 0 || ::dup2(errorFd, STDERR_FILENO) < 0 || ::chdir(caller.c_str()) != 0) {
                ::_exit(125);
            }
            if (image >= 0) {
                ::fexecve(image, argv.data(), envp.data());
            } else {
                ::execve(path.c_str(), argv.data(), envp.data());
            }
            ::_exit(126);
        }
        if (image >= 0) {
            ::close(image);
        }
        Outcome outcome;
        int status = 0;
        if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) {
            outcome.exitCode = WEXITSTATUS(status);
        }
        outcome.errors = ReadText(errors);
        return outcome;
    }

    std::vector<std::string> TempFolderContents() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(scratch_.path() / "tmp")) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    std::vector<std::string> MarkerLines() const { return Lines(ReadText(marker_)); }

    TempFolder scratch_;
    fs::path marker_;
    std::string platform_ = "offscreen";  // QT_QPA_PLATFORM of the run
    bool withRuntimeFolder_ = true;       // XDG_RUNTIME_DIR set for the run
};

TEST_F(VexoSetupTest, InstallsRunsSetupAndCleansUp) {
    const Outcome outcome = Run(MakePackage(
        {{"Plumex.CAB", Bytes(100000, 0x4D)}, SetupScript(), {"SETUP.LST", ToBytes("[Setup]\n")}}));
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_THAT(outcome.errors, Not(HasSubstr("message box")));
    const std::vector<std::string> lines = MarkerLines();
    ASSERT_EQ(lines.size(), 7u) << ReadText(marker_);
    EXPECT_EQ(lines[0], "0");  // no arguments
    EXPECT_EQ(fs::canonical(lines[1]), scratch_.path() / "caller");
    EXPECT_THAT(lines[2], StartsWith((scratch_.path() / "tmp" / "SFX").string()));
    EXPECT_EQ(lines[3], "700");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end()),
              (std::vector<std::string>{"Plumex.CAB", "SETUP.LST", "setup.exe"}));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupTest, ExtractsItsOwnBytesWhenItsNameNowNamesAnotherFile) {
    const Outcome outcome = Run(MakePackage({SetupScript()}), {}, /*deletedBeforeStart=*/true);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_THAT(outcome.errors, Not(HasSubstr("message box")));
    const std::vector<std::string> lines = MarkerLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "setup.exe");
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupTest, LeavesNoRuntimeFolderWithoutXdgRuntimeDir) {
    withRuntimeFolder_ = false;
    const Outcome outcome = Run(MakePackage({SetupScript()}));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_TRUE(fs::exists(marker_));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

// The program reads no command line: options Qt would take for its own change nothing.
class VexoSetupOptionsTest : public VexoSetupTest,
                             public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(VexoSetupOptionsTest, AreIgnored) {
    const Outcome outcome = Run(MakePackage({SetupScript()}), GetParam());
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    const std::vector<std::string> lines = MarkerLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "0");  // setup.exe is started without them too
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(QtOptions, VexoSetupOptionsTest,
                         ::testing::Values(std::vector<std::string>{"-platform", "nosuchplatform"},
                                           std::vector<std::string>{"-stylesheet", "/nonexistent"},
                                           std::vector<std::string>{"-reverse", "--help"}));

// No window system to be had (no display for xcb, a platform that does not exist): the program
// could not set itself up, says so on stderr and leaves nothing.
class VexoSetupWithoutDisplayTest : public VexoSetupTest,
                                    public ::testing::WithParamInterface<const char*> {};

TEST_P(VexoSetupWithoutDisplayTest, IsAnInitializationError) {
    platform_ = GetParam();
    withRuntimeFolder_ = false;  // the folder it makes for Qt goes too
    const Outcome outcome = Run(MakePackage({SetupScript()}));
    EXPECT_EQ(outcome.exitCode, 1) << outcome.errors;
    EXPECT_THAT(outcome.errors, HasSubstr("message box: GetClientRect(GetDesktopWindow)\n"
                                          "Initialization Error."));
    EXPECT_FALSE(fs::exists(marker_));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Platforms, VexoSetupWithoutDisplayTest,
                         ::testing::Values("xcb", "nosuchplatform"));

TEST_F(VexoSetupTest, CorruptPackageIsReportedAndLeavesNothing) {
    const Bytes good = Stub();
    Bytes package = MakePackage({SetupScript(), {"Plumex.CAB", Bytes(100000, 0x4D)}});
    // A byte in the middle of the second entry's data.
    const std::size_t middle = good.size() + 4 + 2 * 268 + SetupScript().data.size() + 50000;
    ASSERT_GT(package.size(), middle);
    package[middle] ^= 0x20;
    const Outcome outcome = Run(package);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_THAT(outcome.errors, HasSubstr(kExtractionFailureReport));
    EXPECT_FALSE(fs::exists(marker_));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupTest, ProgramWithoutPayloadIsAnIncompletePackage) {
    const Outcome outcome = Run(Stub());
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_THAT(outcome.errors, HasSubstr(kExtractionFailureReport));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupTest, PackageWithoutSetupIsReportedAndLeavesNothing) {
    const Outcome outcome =
        Run(MakePackage({{"SETUP.LST", ToBytes("[Setup]\n")}}, /*requireSetup=*/false));
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_THAT(outcome.errors, HasSubstr(kSetupFailureReport));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

}  // namespace
}  // namespace packager::test
