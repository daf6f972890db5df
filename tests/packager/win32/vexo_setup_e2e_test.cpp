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

#include "tests/packager/win32/win32_test_support.h"
#include "tests/packager/written_packages.h"
#include "tests/support/temp_folder.h"

namespace packager::win32 {
namespace {

using ::packager::testing_support::Bytes;
using ::packager::testing_support::kExtractionFailureReport;
using ::packager::testing_support::kSetupFailureReport;
using ::packager::testing_support::NamedData;
using ::packager::testing_support::ReadFileBytes;
using ::packager::testing_support::ToBytes;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using testing_support::CanCreateWindows;
using testing_support::Exists;
using testing_support::Join;
using testing_support::Lines;
using testing_support::ReadWholeFile;
using testing_support::ScopedVariable;
using testing_support::WriteWholeFile;
using vexo::test_support::TempFolder;

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

    static NamedData SetupProgram() { return {"setup.exe", ReadFileBytes(VEXO_MARKER_SETUP_PATH)}; }

    // The built program followed by a payload of these files.
    static Bytes MakePackage(const std::vector<NamedData>& files, bool requireSetup = true) {
        return ::packager::testing_support::MakePackage(Stub(), files, requireSetup);
    }

    static Bytes Stub() { return ReadFileBytes(VEXO_SETUP_PATH); }

    // Runs the package from the "caller" folder, with its temporary folder in "tmp".
    Outcome Run(const Bytes& package) {
        const std::string program = Path("VEXOSetup-package.exe");
        WriteWholeFile(program, std::string(package.begin(), package.end()));

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
        const HANDLE errors = ::CreateFileA(errorsPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                            &inheritable, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(errors, INVALID_HANDLE_VALUE);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = errors;
        startup.hStdError = errors;
        PROCESS_INFORMATION started{};
        Outcome outcome;
        if (::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, folder.c_str(), &startup, &started)) {
            ::WaitForSingleObject(started.hProcess, INFINITE);
            ::GetExitCodeProcess(started.hProcess, &outcome.exitCode);
            ::CloseHandle(started.hProcess);
            ::CloseHandle(started.hThread);
        } else {
            ADD_FAILURE() << "cannot start " << program << ": error " << ::GetLastError();
        }
        ::CloseHandle(errors);
        outcome.errors = ReadWholeFile(errorsPath);
        return outcome;
    }

    std::vector<std::string> TempFolderContents() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        const HANDLE search = ::FindFirstFileA(Join(tmp_, "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
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
    std::vector<std::string> lines = Lines(ReadWholeFile(marker_));
    ASSERT_EQ(lines.size(), 6u) << ReadWholeFile(marker_);
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
    const Outcome outcome = Run(ReadFileBytes(package));
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_THAT(outcome.errors, Not(HasSubstr("message box")));
    const std::vector<std::string> lines = Lines(ReadWholeFile(marker_));
    ASSERT_EQ(lines.size(), 4u) << ReadWholeFile(marker_);
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
    package[stubSize + 4 + 2 * 268 + setup.data.size() + 50000] ^= 0x20;
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
}  // namespace packager::win32
