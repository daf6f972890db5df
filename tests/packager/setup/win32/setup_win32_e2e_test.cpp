// setup.exe end to end, unattended (VEXO_SETUP_AUTOANSWER=1): a package of stand-in files is
// installed and upgraded as a user does it, by running the package (the built VEXOSetup with the
// files behind it, which passes its environment on to setup.exe), and removed again by its
// uninstall entry's command; the failures run setup.exe from the files' folder. With Program
// Files, ProgramData, the user's local folder and the temporary folder of the test's own, and the
// system's registry, Start menu and reg.exe as they are. Each command runs in a job of its own
// and is waited for until every process of the job has ended: the uninstaller's finisher
// outlives it.
#include <windows.h>

#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/win32/scoped_win.h"
#include "packager/setup/setup_list.h"
#include "tests/packager/win32/win32_test_support.h"
#include "tests/packager/written_packages.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace setup::win32::test {
namespace {

using common::win32::UniqueHandle;
using ::packager::testing_support::MakePackage;
using ::packager::testing_support::NamedData;
using ::packager::win32::testing_support::CanCreateWindows;
using ::packager::win32::testing_support::Exists;
using ::packager::win32::testing_support::Join;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using vexo::test_support::ReadBytes;
using vexo::test_support::ReadText;
using vexo::test_support::ScopedVariable;
using vexo::test_support::TempFolder;
using vexo::test_support::ToBytes;
using vexo::test_support::WriteBytes;
using vexo::test_support::WriteFile;

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kShortcut[] = "VEXO(tm) Plumex TV (setup test)";

struct Ran {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // standard output and error
};

// Runs a command line in folder and waits until it and every process it started, directly or
// not, have ended: the uninstaller's finisher outlives it.
Ran RunToTheEnd(std::string commandLine, const std::string& folder, const std::string& outputPath) {
    Ran ran;
    const UniqueHandle job(::CreateJobObjectA(nullptr, nullptr));
    const UniqueHandle port(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{job.Get(), port.Get()};
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueHandle output(::CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      &inheritable, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.Get();
    startup.hStdError = output.Get();
    PROCESS_INFORMATION started{};
    if (!job || !port || !output ||
        !::SetInformationJobObject(job.Get(), JobObjectAssociateCompletionPortInformation,
                                   &association, sizeof association) ||
        !::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                          nullptr, folder.c_str(), &startup, &started)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": error " << ::GetLastError();
        return ran;
    }
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    EXPECT_TRUE(::AssignProcessToJobObject(job.Get(), process.Get()));
    ::ResumeThread(thread.Get());
    DWORD message = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED overlapped = nullptr;
    while (::GetQueuedCompletionStatus(port.Get(), &message, &key, &overlapped, INFINITE) &&
           message != JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
    }
    ::GetExitCodeProcess(process.Get(), &ran.exitCode);
    output.Close();
    ran.output = ReadText(outputPath);
    return ran;
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string ReadValue(HKEY hive, const std::string& key, const char* name) {
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    if (::RegGetValueA(hive, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return data;
}

// The ST6UNST entries below the hive whose InstallLocation is folder (or whose program is
// Plumex.exe, when folder is empty).
std::vector<std::string> EntriesFor(HKEY hive, const std::string& folder) {
    std::vector<std::string> keys;
    for (int n = 0; n <= 1000; ++n) {
        const std::string key = std::string(kUninstallKey) + "\\ST6UNST #" + std::to_string(n);
        if (folder.empty() ? ReadValue(hive, key, "ApplicationName") == "Plumex.exe"
                           : ReadValue(hive, key, "InstallLocation") == folder) {
            keys.push_back(key);
        }
    }
    return keys;
}

// The text without its line end.
std::string Chomped(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

struct ListedValue {
    std::string type;
    std::string data;
};

class SetupProgramFixture : public ::testing::Test {
  protected:
    // An install for every user, or one for the user alone when Program Files cannot be written.
    virtual bool ForMachine() const = 0;

    void SetUp() override {
        ASSERT_TRUE(scratch_.Ok());
        // Wine starts its desktop process for the first program that asks for the desktop; here,
        // rather than in a command's job, where it would stay and the wait would never end.
        ASSERT_NE(::GetDesktopWindow(), nullptr);
        for (const std::string& folder : {package_, programData_, local_, temp_}) {
            ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        }
        // Program Files below a file cannot be made: the install goes to the user's folder.
        std::string programFiles = Path("Program Files");
        if (ForMachine()) {
            ASSERT_TRUE(::CreateDirectoryA(programFiles.c_str(), nullptr));
        } else {
            ASSERT_TRUE(WriteFile(Path("blocked"), "a file"));
            programFiles = Join(Path("blocked"), "Program Files");
        }
        vexo_ = ForMachine() ? Join(programFiles, "VEXO") : Join(local_, "Programs\\VEXO");
        folder_ = Join(vexo_, "Plumex TV");
        shortcut_ = Join(ShellFolder(ForMachine() ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS),
                         std::string(kShortcut) + ".lnk");
        for (const auto& [name, value] :
             std::vector<std::pair<std::string, std::string>>{{"ProgramFiles", programFiles},
                                                              {"ProgramData", programData_},
                                                              {"LOCALAPPDATA", local_},
                                                              {"TEMP", temp_},
                                                              {"TMP", temp_},
                                                              {"VEXO_SETUP_AUTOANSWER", "1"}}) {
            variables_.push_back(std::make_unique<ScopedVariable>(name, value));
        }
        // An entry that a run cut short left would be found before this run's.
        for (const std::string& key : EntriesFor(Hive(), "")) {
            if (ReadValue(Hive(), key, "InstallLocation").find("\\vexo-setup-program-") !=
                std::string::npos) {
                ::RegDeleteKeyA(Hive(), key.c_str());
            }
        }
    }

    void TearDown() override {
        for (const std::string& key : EntriesFor(Hive(), folder_)) {
            ::RegDeleteKeyA(Hive(), key.c_str());
        }
        ::DeleteFileA(shortcut_.c_str());
    }

    HKEY Hive() const { return ForMachine() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
    std::string HiveName() const { return ForMachine() ? "HKLM\\" : "HKCU\\"; }
    std::string Path(const std::string& name) const { return Join(scratch_.Root(), name); }

    // The package as the stub extracts it: setup.exe, SETUP.LST and the files it names.
    void WritePackage(const std::string& version) {
        const std::map<std::string, std::string> files = {
            {"Plumex.exe", ReadText(VEXO_UNINSTALL_KEY_PROBE_PATH)},
            {"LICENSE.txt", "The license of " + version + ".\r\n"},
            {"vexo.exe", "vexo " + version}};
        SetupList list{"VEXO(tm) Plumex TV", version,   "VEXO", "VEXO\\Plumex TV",
                       "Plumex.exe",         kShortcut, {}};
        for (const auto& [name, bytes] : files) {
            ASSERT_TRUE(WriteFile(Join(package_, name), bytes));
            list.files.push_back({name, "$(AppPath)\\" + name, bytes.size()});
        }
        ASSERT_TRUE(WriteFile(Join(package_, "SETUP.LST"), FormatSetupList(list)));
        ASSERT_TRUE(
            ::CopyFileA(VEXO_SETUP_PROGRAM_PATH, Join(package_, "setup.exe").c_str(), FALSE));
    }

    Ran Run(const std::string& commandLine) {
        return RunToTheEnd(commandLine, scratch_.Root(), Path("output.txt"));
    }
    Ran RunSetup() { return Run("\"" + Join(package_, "setup.exe") + "\""); }

    // The folder's files behind the built VEXOSetup, run as a user runs the package: it extracts
    // them to a temporary folder of its own, runs setup.exe from there and removes the folder.
    Ran RunPackage() {
        std::map<std::string, std::string> files;
        AddTree(package_, files);
        std::vector<NamedData> entries;
        for (const auto& [path, bytes] : files) {
            entries.push_back({path.substr(package_.size() + 1), ToBytes(bytes)});
        }
        const std::string program = Path("Plumex-setup.exe");
        EXPECT_TRUE(WriteBytes(program, MakePackage(ReadBytes(VEXO_SETUP_PATH), entries)));
        const Ran ran = Run("\"" + program + "\"");
        std::map<std::string, std::string> left;
        AddTree(temp_, left);
        EXPECT_THAT(left, IsEmpty());
        return ran;
    }

    // Everything the install may touch: the files below the install folder's parent, the
    // entry, the shortcut and the journal folders.
    std::map<std::string, std::string> Snapshot() {
        std::map<std::string, std::string> seen;
        AddTree(vexo_, seen);
        AddTree(programData_, seen);
        for (const std::string& key : EntriesFor(Hive(), folder_)) {
            seen["entry " + key] = Run("reg query \"" + HiveName() + key + "\"").output;
        }
        seen["shortcut"] = ReadText(shortcut_);
        return seen;
    }

    static void AddTree(const std::string& folder, std::map<std::string, std::string>& seen) {
        WIN32_FIND_DATAA found{};
        const common::win32::FindHandle search(::FindFirstFileA(Join(folder, "*").c_str(), &found));
        for (bool more = search.Valid(); more; more = ::FindNextFileA(search.Get(), &found)) {
            const std::string name = found.cFileName;
            const std::string path = Join(folder, name);
            if (name == "." || name == "..") {
                continue;
            }
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                seen[path] = "folder";
                AddTree(path, seen);
            } else {
                seen[path] = ReadText(path);
            }
        }
    }

    // The entry's values as reg.exe lists them: "    NAME    TYPE    DATA".
    std::map<std::string, ListedValue> EntryValues(const std::string& key) {
        const Ran listed = Run("reg query \"" + HiveName() + key + "\"");
        EXPECT_EQ(listed.exitCode, 0u) << listed.output;
        std::map<std::string, ListedValue> values;
        for (const std::string& line : vexo::test_support::Lines(listed.output)) {
            const std::size_t type = line.find("    REG_");
            const std::size_t data = line.find("    ", type + 4);
            if (line.starts_with("    ") && type != std::string::npos &&
                data != std::string::npos) {
                values[line.substr(4, type - 4)] = {line.substr(type + 4, data - type - 4),
                                                    Chomped(line.substr(data + 4))};
            }
        }
        return values;
    }

    // Installed as version: the files, the shortcut and one entry; the entry's key.
    std::string ExpectInstalled(const std::string& version) {
        EXPECT_EQ(ReadText(Join(folder_, "LICENSE.txt")), "The license of " + version + ".\r\n");
        EXPECT_EQ(ReadText(Join(folder_, "uninstall.exe")), ReadText(VEXO_SETUP_PROGRAM_PATH));
        EXPECT_TRUE(Exists(Join(folder_, "install.log")));
        EXPECT_TRUE(Exists(shortcut_)) << shortcut_;
        const std::vector<std::string> entries = EntriesFor(Hive(), folder_);
        EXPECT_EQ(entries.size(), 1u);
        if (entries.size() != 1) {
            return {};
        }
        std::map<std::string, ListedValue> values = EntryValues(entries[0]);
        const std::string uninstaller = "\"" + Join(folder_, "uninstall.exe") + "\" /uninstall";
        for (const auto& [name, value] :
             std::map<std::string, std::string>{{"ApplicationName", "Plumex.exe"},
                                                {"DisplayName", "VEXO(tm) Plumex TV"},
                                                {"DisplayVersion", version},
                                                {"Publisher", "VEXO"},
                                                {"InstallLocation", folder_},
                                                {"UninstallString", uninstaller},
                                                {"DisplayIcon", Join(folder_, "Plumex.exe")}}) {
            EXPECT_EQ(values[name].type, "REG_SZ") << name;
            EXPECT_EQ(values[name].data, value) << name;
        }
        EXPECT_EQ(values["EstimatedSize"].type, "REG_DWORD");
        return entries[0];
    }

    TempFolder scratch_{"vexo-setup-program"};
    std::string package_ = Path("package");
    std::string programData_ = Path("ProgramData");
    std::string local_ = Path("Local");
    std::string temp_ = Path("tmp");
    std::string vexo_;    // the install folder's parent, which the install makes
    std::string folder_;  // the install folder
    std::string shortcut_;
    std::vector<std::unique_ptr<ScopedVariable>> variables_;
};

struct Scope {
    const char* name;
    bool forMachine;
};

class SetupProgramTest : public SetupProgramFixture, public ::testing::WithParamInterface<Scope> {
  protected:
    bool ForMachine() const override { return GetParam().forMachine; }
};

INSTANTIATE_TEST_SUITE_P(Scopes, SetupProgramTest,
                         ::testing::Values(Scope{"ForTheMachine", true},
                                           Scope{"ForTheUserWhenProgramFilesIsClosed", false}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_P(SetupProgramTest, InstallsUpgradesAndRemovesEverything) {
    if (!CanCreateWindows()) {
        GTEST_SKIP() << "no window can be created here (under Wine: no X display) for the "
                        "package's progress window; run the tests under xvfb-run";
    }
    WritePackage("1.0.1");
    const Ran first = RunPackage();
    ASSERT_EQ(first.exitCode, 0u) << first.output;
    const std::string key = ExpectInstalled("1.0.1");
    if (ForMachine()) {
        // Plumex's own search for its entry finds it, from the installed folder.
        const Ran probe = Run("\"" + Join(folder_, "Plumex.exe") + "\"");
        EXPECT_EQ(Chomped(probe.output), key);
    }

    WritePackage("1.0.2");
    const Ran second = RunPackage();
    ASSERT_EQ(second.exitCode, 0u) << second.output;
    EXPECT_EQ(ExpectInstalled("1.0.2"), key);
    EXPECT_EQ(ReadText(Join(folder_, "vexo.exe")), "vexo 1.0.2");

    const Ran removed = Run(EntryValues(key)["UninstallString"].data);
    EXPECT_EQ(removed.exitCode, 0u) << removed.output;
    EXPECT_FALSE(Exists(vexo_));
    EXPECT_FALSE(Exists(shortcut_));
    EXPECT_THAT(EntriesFor(Hive(), folder_), IsEmpty());
    if (!ForMachine()) {
        EXPECT_FALSE(Exists(Join(local_, "Programs")));
    }
}

// A failure half-way: a file of the install folder that another program holds open, so that it
// cannot be replaced. In a fresh install it is a stranger's file in the folder, the last of the
// files; in an upgrade the uninstall record, which is replaced last, after the files, the entry
// and the shortcut.
struct HeldFile {
    const char* name;
    bool upgrade;
    const char* file;
    DWORD sharing;
};

class SetupProgramFailureTest : public SetupProgramFixture,
                                public ::testing::WithParamInterface<HeldFile> {
  protected:
    bool ForMachine() const override { return true; }
};

INSTANTIATE_TEST_SUITE_P(Held, SetupProgramFailureTest,
                         ::testing::Values(HeldFile{"FreshInstall", false, "vexo.exe", 0},
                                           HeldFile{"Upgrade", true, "install.log",
                                                    FILE_SHARE_READ}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_P(SetupProgramFailureTest, LeavesTheMachineAsItWas) {
    WritePackage("1.0.1");
    if (GetParam().upgrade) {
        ASSERT_EQ(RunSetup().exitCode, 0u);
    } else {
        ASSERT_EQ(::SHCreateDirectoryExA(nullptr, folder_.c_str(), nullptr), ERROR_SUCCESS);
        ASSERT_TRUE(WriteFile(Join(folder_, GetParam().file), "a stranger's file"));
    }
    WritePackage("1.0.2");
    const std::map<std::string, std::string> before = Snapshot();
    {
        const UniqueHandle holder(::CreateFileA(Join(folder_, GetParam().file).c_str(),
                                                GENERIC_READ, GetParam().sharing, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        const Ran failed = RunSetup();
        EXPECT_EQ(failed.exitCode, 1u);
        EXPECT_THAT(failed.output, HasSubstr("Nothing was changed."));
    }
    EXPECT_EQ(Snapshot(), before);
    if (GetParam().upgrade) {
        EXPECT_EQ(Run("\"" + Join(folder_, "uninstall.exe") + "\" /uninstall").exitCode, 0u);
    }
}

}  // namespace
}  // namespace setup::win32::test
