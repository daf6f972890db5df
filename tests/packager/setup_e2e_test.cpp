// VEXOSetup end to end: packages made from the built program by the package writer, run as a
// separate process without a display (offscreen), with the boxes answered by the program's
// VEXO_SETUP_AUTOANSWER hook, which reports them on stderr.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/packager/setup_sandbox.h"
#include "tests/packager/written_packages.h"
#include "tests/support/files.h"

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
using testing_support::SetupOutcome;
using testing_support::SetupRunOptions;
using testing_support::SetupSandbox;
using namespace vexo::test_support;

class VexoSetupTest : public ::testing::Test {
  protected:
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

    SetupOutcome Run(const Bytes& package) { return sandbox_.Run(package, options_); }

    std::vector<std::string> TempFolderContents() const { return sandbox_.TempFolderContents(); }
    std::vector<std::string> MarkerLines() const { return Lines(ReadText(marker_)); }

    SetupSandbox sandbox_;
    fs::path marker_ = sandbox_.Marker();
    SetupRunOptions options_;
};

TEST_F(VexoSetupTest, InstallsRunsSetupAndCleansUp) {
    const SetupOutcome outcome = Run(MakePackage(
        {{"Plumex.CAB", Bytes(100000, 0x4D)}, SetupScript(), {"SETUP.LST", ToBytes("[Setup]\n")}}));
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_THAT(outcome.errors, Not(HasSubstr("message box")));
    const std::vector<std::string> lines = MarkerLines();
    ASSERT_EQ(lines.size(), 7u) << ReadText(marker_);
    EXPECT_EQ(lines[0], "0");  // no arguments
    EXPECT_EQ(fs::canonical(lines[1]), sandbox_.Scratch() / "caller");
    EXPECT_THAT(lines[2], StartsWith((sandbox_.Temp() / "SFX").string()));
    EXPECT_EQ(lines[3], "700");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end()),
              (std::vector<std::string>{"Plumex.CAB", "SETUP.LST", "setup.exe"}));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupTest, ExtractsItsOwnBytesWhenItsNameNowNamesAnotherFile) {
    options_.deletedBeforeStart = true;
    const SetupOutcome outcome = Run(MakePackage({SetupScript()}));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_THAT(outcome.errors, Not(HasSubstr("message box")));
    const std::vector<std::string> lines = MarkerLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "setup.exe");
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupTest, LeavesNoRuntimeFolderWithoutXdgRuntimeDir) {
    options_.withRuntimeFolder = false;
    const SetupOutcome outcome = Run(MakePackage({SetupScript()}));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_TRUE(fs::exists(marker_));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

// The program reads no command line: options Qt would take for its own change nothing.
class VexoSetupOptionsTest : public VexoSetupTest,
                             public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(VexoSetupOptionsTest, AreIgnored) {
    options_.arguments = GetParam();
    const SetupOutcome outcome = Run(MakePackage({SetupScript()}));
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
    options_.platform = GetParam();
    options_.withRuntimeFolder = false;  // the folder it makes for Qt goes too
    const SetupOutcome outcome = Run(MakePackage({SetupScript()}));
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
    const SetupOutcome outcome = Run(package);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_THAT(outcome.errors, HasSubstr(kExtractionFailureReport));
    EXPECT_FALSE(fs::exists(marker_));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupTest, ProgramWithoutPayloadIsAnIncompletePackage) {
    const SetupOutcome outcome = Run(Stub());
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_THAT(outcome.errors, HasSubstr(kExtractionFailureReport));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupTest, PackageWithoutSetupIsReportedAndLeavesNothing) {
    const SetupOutcome outcome =
        Run(MakePackage({{"SETUP.LST", ToBytes("[Setup]\n")}}, /*requireSetup=*/false));
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_THAT(outcome.errors, HasSubstr(kSetupFailureReport));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

}  // namespace
}  // namespace packager::test
