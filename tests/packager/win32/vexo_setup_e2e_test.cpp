// VEXOSetup.exe end to end: packages made from the built program by the package writer, started
// as a user starts them, with the boxes answered by the program's VEXO_SETUP_AUTOANSWER hook,
// which reports them on the standard error handle. The program shows its window, so the tests
// need a system that can create windows (under Wine: an X display, such as xvfb-run's).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/win32/scoped_win.h"
#include "tests/packager/win32/win32_test_support.h"
#include "tests/packager/written_packages.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace packager::win32::test {
namespace {

using ::packager::testing_support::Bytes;
using ::packager::testing_support::kExtractionFailureReport;
using ::packager::testing_support::kSetupFailureReport;
using ::packager::testing_support::NamedData;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using testing_support::CanCreateWindows;
using testing_support::Exists;
using testing_support::Join;
using vexo::test_support::Lines;
using vexo::test_support::ReadBytes;
using vexo::test_support::ReadText;
using vexo::test_support::ScopedVariable;
using vexo::test_support::TempFolder;
using vexo::test_support::ToBytes;
using vexo::test_support::WriteBytes;

struct Outcome {
    DWORD exitCode = 0xFFFFFFFF;
    std::string errors;  // what the program wrote to its standard error handle
};

class VexoSetupWin32Test : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!CanCreateWindows()) {
            GTEST_SKIP() << "no window can be created here (under Wine: no X display); run the "
                            "tests under xvfb-run to include VEXOSetup's own runs";
        }
        ASSERT_TRUE(scratch_.Ok());
        for (const std::string& folder : {tmp_, caller_}) {
            ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        }
    }

    std::string Path(const std::string& name) const { return Join(scratch_.Root(), name); }

    static NamedData SetupProgram() { return {"setup.exe", ReadBytes(VEXO_MARKER_SETUP_PATH)}; }

    // The built program followed by a payload of these files.
    static Bytes MakePackage(const std::vector<NamedData>& files, bool requireSetup = true) {
        return ::packager::testing_support::MakePackage(Stub(), files, requireSetup);
    }

    static Bytes Stub() { return ReadBytes(VEXO_SETUP_PATH); }

    // Runs the package from the "caller" folder, with its temporary folder in "tmp".
    Outcome Run(const Bytes& package) {
        const std::string program = Path("VEXOSetup-package.exe");
        WriteBytes(program, package);

        const ScopedVariable autoAnswer("VEXO_SETUP_AUTOANSWER", "1");
        const ScopedVariable tmp("TMP", tmp_);
        const ScopedVariable temp("TEMP", tmp_);
        const ScopedVariable marker("VEXO_TEST_SETUP_MARKER", marker_);

        return StartAndWait(program, "\"" + program + "\"", caller_);
    }

    // Makes a package as a user does, with the built vexo tool: the marker setup program as the
    // package's "setup.exe", behind the built VEXOSetup. The package's path; empty, with the
    // test failed, when the tool refuses.
    std::string MakePackageWithTool() {
        const std::string setup = Path("setup.exe");
        EXPECT_TRUE(::CopyFileA(VEXO_MARKER_SETUP_PATH, setup.c_str(), TRUE)) << setup;
        const std::string package = Path("made-by-vexo.exe");
        const Outcome made = StartAndWait(VEXO_TOOL_PATH,
                                          "vexo package create -o \"" + package + "\" --stub \"" +
                                              VEXO_SETUP_PATH + "\" \"" + setup + "\"",
                                          scratch_.Root());
        EXPECT_EQ(made.exitCode, 0u) << made.errors;
        return made.exitCode == 0 ? package : std::string();
    }

    // Starts the program in this folder, its standard output and error handles writing to one
    // file, and waits for it to end.
    Outcome StartAndWait(const std::string& program, std::string commandLine,
                         const std::string& folder) {
        const std::string errorsPath = Path("stderr.txt");
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        common::win32::UniqueHandle errors(::CreateFileA(errorsPath.c_str(), GENERIC_WRITE,
                                                         FILE_SHARE_READ, &inheritable,
                                                         CREATE_ALWAYS, 0, nullptr));
        EXPECT_TRUE(errors);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = errors.Get();
        startup.hStdError = errors.Get();
        PROCESS_INFORMATION started{};
        Outcome outcome;
        if (::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, folder.c_str(), &startup, &started)) {
            const common::win32::UniqueHandle process(started.hProcess);
            const common::win32::UniqueHandle thread(started.hThread);
            ::WaitForSingleObject(process.Get(), INFINITE);
            ::GetExitCodeProcess(process.Get(), &outcome.exitCode);
        } else {
            ADD_FAILURE() << "cannot start " << program << ": error " << ::GetLastError();
        }
        errors.Close();
        outcome.errors = ReadText(errorsPath);
        return outcome;
    }

    std::vector<std::string> TempFolderContents() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        const common::win32::FindHandle search(::FindFirstFileA(Join(tmp_, "*").c_str(), &found));
        if (!search) {
            return names;
        }
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        } while (::FindNextFileA(search.Get(), &found));
        return names;
    }

    TempFolder scratch_{"vexo-setup"};
    std::string tmp_ = Path("tmp");
    std::string caller_ = Path("caller");
    std::string marker_ = Path("marker.txt");
};

TEST_F(VexoSetupWin32Test, InstallsRunsSetupAndCleansUp) {
    const Outcome outcome = Run(MakePackage({{"Plumex.CAB", Bytes(100000, 0x4D)},
                                             SetupProgram(),
                                             {"SETUP.LST", ToBytes("[Setup]\r\n")}}));
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_THAT(outcome.errors, Not(HasSubstr("message box")));
    std::vector<std::string> lines = Lines(ReadText(marker_));
    ASSERT_EQ(lines.size(), 6u) << ReadText(marker_);
    EXPECT_EQ(lines[0], "1");  // no arguments
    EXPECT_EQ(lines[1], caller_);
    EXPECT_THAT(lines[2], StartsWith(Join(tmp_, "SFX")));
    std::sort(lines.begin() + 3, lines.end());
    EXPECT_THAT(std::vector<std::string>(lines.begin() + 3, lines.end()),
                ElementsAre("Plumex.CAB", "SETUP.LST", "setup.exe"));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupWin32Test, PackageMadeByTheToolInstallsRunsSetupAndCleansUp) {
    const std::string package = MakePackageWithTool();
    ASSERT_FALSE(package.empty());
    const Outcome outcome = Run(ReadBytes(package));
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_THAT(outcome.errors, Not(HasSubstr("message box")));
    const std::vector<std::string> lines = Lines(ReadText(marker_));
    ASSERT_EQ(lines.size(), 4u) << ReadText(marker_);
    EXPECT_EQ(lines[0], "1");  // no arguments
    EXPECT_EQ(lines[1], caller_);
    EXPECT_THAT(lines[2], StartsWith(Join(tmp_, "SFX")));
    EXPECT_EQ(lines[3], "setup.exe");
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupWin32Test, CorruptPackageIsReportedAndLeavesNothing) {
    const std::size_t stubSize = Stub().size();
    const NamedData setup = SetupProgram();
    Bytes package = MakePackage({setup, {"Plumex.CAB", Bytes(100000, 0x4D)}});
    // A byte in the middle of the second entry's data.
    const std::size_t middle = stubSize + 4 + 2 * 268 + setup.data.size() + 50000;
    ASSERT_GT(package.size(), middle);
    package[middle] ^= 0x20;
    const Outcome outcome = Run(package);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_THAT(outcome.errors, HasSubstr(kExtractionFailureReport));
    EXPECT_FALSE(Exists(marker_));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupWin32Test, ProgramWithoutPayloadIsAnIncompletePackage) {
    const Outcome outcome = Run(Stub());
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_THAT(outcome.errors, HasSubstr(kExtractionFailureReport));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

TEST_F(VexoSetupWin32Test, PackageWithoutSetupIsReportedAndLeavesNothing) {
    const Outcome outcome =
        Run(MakePackage({{"SETUP.LST", ToBytes("[Setup]\r\n")}}, /*requireSetup=*/false));
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_THAT(outcome.errors, HasSubstr(kSetupFailureReport));
    EXPECT_THAT(TempFolderContents(), IsEmpty());
}

}  // namespace
}  // namespace packager::win32::test
