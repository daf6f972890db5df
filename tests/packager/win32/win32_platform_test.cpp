// The worker's services on Win32, on real temporary folders under the system's (or Wine's) file
// system: the private temporary folder, the entry files, the start of setup, and the removal of
// a tree.
// <windows.h> through the header that keeps its CreateFile and DeleteFile macros off the
// platform's operations of those names.
#include "common/win32/windows_api.h"

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/scoped_win.h"
#include "packager/package_worker.h"
#include "packager/win32/win32_files.h"
#include "packager/win32/win32_platform.h"
#include "tests/common/byte_source_contract.h"
#include "tests/packager/platform_paths.h"
#include "tests/packager/win32/win32_test_support.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace packager::win32::test {
namespace {

using ::packager::testing_support::OwnPathOf;
using ::packager::testing_support::TempFolderOf;
using ::packager::testing_support::UniqueFolderIn;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testing_support::CurrentFolder;
using testing_support::Exists;
using testing_support::Join;
using vexo::test_support::Lines;
using vexo::test_support::ReadText;
using vexo::test_support::ScopedVariable;
using vexo::test_support::TempFolder;
using vexo::test_support::WriteFile;
using Bytes = std::vector<std::uint8_t>;

// The access list of a file or folder in its text form, e.g. "D:P(A;OICI;FA;;;S-1-5-...)".
std::string AccessList(const std::string& path) {
    common::win32::LocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    PACL acl = nullptr;
    if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &acl, nullptr, descriptor.Receive()) != ERROR_SUCCESS) {
        return "(unreadable)";
    }
    common::win32::LocalMemory<char*> text;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor.Get(), SDDL_REVISION_1,
                                                                DACL_SECURITY_INFORMATION,
                                                                text.Receive(), nullptr)) {
        return "(unconvertible)";
    }
    return text.Get();
}

TEST(Win32TempFolderTest, NewPrivateFolderWithTheSfxPrefix) {
    TempFolder scratch("vexo-setup");
    ASSERT_TRUE(scratch.Ok());
    Win32Platform platform;
    const std::optional<std::string> first = UniqueFolderIn(platform, scratch.Root());
    const std::optional<std::string> second = UniqueFolderIn(platform, scratch.Root() + "\\");
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    for (const std::string& folder : {*first, *second}) {
        ASSERT_THAT(folder, StartsWith(scratch.Root() + "\\SFX"));
        const std::string characters = folder.substr(scratch.Root().size() + 4);
        EXPECT_EQ(characters.size(), 6u);
        EXPECT_TRUE(std::all_of(characters.begin(), characters.end(), [](unsigned char c) {
            return ::isdigit(c) || ::isupper(c);
        })) << folder;
        const DWORD attributes = ::GetFileAttributesA(folder.c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
        // Nobody but the user: no entry for everyone ("WD") or for all users ("BU").
        const std::string acl = AccessList(folder);
        EXPECT_THAT(acl, StartsWith("D:"));
        EXPECT_THAT(acl, Not(HasSubstr(";WD)")));
        EXPECT_THAT(acl, Not(HasSubstr(";BU)")));
    }
    EXPECT_FALSE(UniqueFolderIn(platform, Join(scratch.Root(), "missing")));
}

TEST(Win32TempFolderTest, TempFolderFollowsTmpWithoutTrailingSeparator) {
    TempFolder scratch("vexo-setup");
    ASSERT_TRUE(scratch.Ok());
    Win32Platform platform;
    const ScopedVariable tmp("TMP", scratch.Root() + "\\");
    EXPECT_EQ(TempFolderOf(platform), scratch.Root());
}

TEST(Win32OwnPathTest, NamesTheRunningProgram) {
    Win32Platform platform;
    const std::optional<std::string> own = OwnPathOf(platform);
    ASSERT_TRUE(own);
    std::string lower = *own;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(::tolower(c)); });
    EXPECT_THAT(lower, EndsWith("packager_win32_tests.exe"));
    EXPECT_EQ(ReadText(*own).substr(0, 2), "MZ");
}

// FILE_MODE_INFORMATION's flags of an open file, as the system reports them.
std::optional<ULONG> FileMode(HANDLE file) {
    using QueryFile = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int);
    const auto query = reinterpret_cast<QueryFile>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    constexpr int kFileModeInformation = 16;
    IO_STATUS_BLOCK status{};
    ULONG mode = 0;
    if (query == nullptr || query(file, &status, &mode, sizeof mode, kFileModeInformation) != 0) {
        return std::nullopt;
    }
    return mode;
}

class Win32FilesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(scratch_.Ok()); }

    std::string Path(const std::string& name) const { return Join(scratch_.Root(), name); }

    // Whether another open of the file, for the given access, is refused for sharing.
    static bool OthersAreShutOut(const std::string& path, DWORD access) {
        const common::win32::UniqueHandle other(::CreateFileA(
            path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, 0, nullptr));
        return !other.Valid() && ::GetLastError() == ERROR_SHARING_VIOLATION;
    }

    TempFolder scratch_{"vexo-setup"};
    Win32Platform platform_;
};

TEST_F(Win32FilesTest, EntryFileReplacesAnOldOne) {
    WriteFile(Path("setup.exe"), "an older and much longer file of the same name");
    {
        const OpenedFile file(platform_, platform_.CreateFile(Path("setup.exe").c_str()));
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->Write(Bytes{'n', 'e', 'w'}));
        EXPECT_TRUE(file->Flush());
    }
    EXPECT_EQ(ReadText(Path("setup.exe")), "new");
    EXPECT_FALSE(platform_.CreateFile(Path("missing\\setup.exe").c_str()));
}

TEST_F(Win32FilesTest, EntryFileIsWriteThroughAndUnshared) {
    const common::win32::UniqueHandle file = CreateEntryFile(Path("Plumex.CAB").c_str());
    ASSERT_TRUE(file);
    const std::optional<ULONG> mode = FileMode(file.Get());
    ASSERT_TRUE(mode);
    constexpr ULONG kWriteThrough = 0x00000002;  // FILE_WRITE_THROUGH
    EXPECT_NE(*mode & kWriteThrough, 0u);
    EXPECT_TRUE(OthersAreShutOut(Path("Plumex.CAB"), GENERIC_READ));
}

TEST_F(Win32FilesTest, PackageIsReadExactlyAndNobodyMayChangeIt) {
    WriteFile(Path("package.exe"), vexo::test_support::kContractBytes);
    {
        const OpenedPackage source(platform_,
                                   platform_.OpenForReading(Path("package.exe").c_str()));
        ASSERT_TRUE(source);
        EXPECT_TRUE(OthersAreShutOut(Path("package.exe"), GENERIC_WRITE));
        vexo::test_support::ExpectReadsExactlyOrFails(*source);
    }
    EXPECT_FALSE(platform_.OpenForReading(Path("missing.exe").c_str()));
}

// The stand-in setup program, copied where a test wants it, reporting to a marker file.
class Win32StartTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(scratch_.Ok()); }

    std::string Path(const std::string& name) const { return Join(scratch_.Root(), name); }

    void PlaceSetup(const std::string& path) const {
        ASSERT_TRUE(::CopyFileA(VEXO_MARKER_SETUP_PATH, path.c_str(), FALSE)) << path;
    }

    TempFolder scratch_{"vexo-setup"};
    Win32Platform platform_;
    std::string marker_ = Path("marker.txt");
    ScopedVariable markerVariable_{"VEXO_TEST_SETUP_MARKER", marker_};
};

TEST_F(Win32StartTest, NoArgumentsSameFolderExitCodeIgnored) {
    // A blank in the path: unquoted, "...\with blank\setup.exe" would start "...\with.exe".
    ASSERT_TRUE(::CreateDirectoryA(Path("with blank").c_str(), nullptr));
    PlaceSetup(Path("with.exe"));
    const std::string program = Join(Path("with blank"), "setup.exe");
    PlaceSetup(program);

    EXPECT_TRUE(platform_.StartAndWait(program.c_str()));  // although setup ended with 7
    const std::vector<std::string> lines = Lines(ReadText(marker_));
    ASSERT_GE(lines.size(), 3u) << ReadText(marker_);
    EXPECT_EQ(lines[0], "1");  // the program's name alone
    EXPECT_EQ(lines[1], CurrentFolder());
    EXPECT_EQ(lines[2], Path("with blank"));
}

TEST_F(Win32StartTest, WhatCannotStartIsReported) {
    EXPECT_FALSE(platform_.StartAndWait(Path("missing.exe").c_str()));
    WriteFile(Path("data.exe"), "\x01\x02 not a program");
    EXPECT_FALSE(platform_.StartAndWait(Path("data.exe").c_str()));
    ASSERT_TRUE(::CreateDirectoryA(Path("folder.exe").c_str(), nullptr));
    EXPECT_FALSE(platform_.StartAndWait(Path("folder.exe").c_str()));
    EXPECT_FALSE(Exists(marker_));
}

// A progress window that nobody sees.
class QuietView final : public ProgressView {
  public:
    void SetStatus(std::string_view) override {}
    void SetProgress(std::uint32_t) override {}
    bool IsCancelled() override { return false; }
    void HideWindow() override {}
    void HideCancelButton() override {}
    void ShowMessage(const MessageBoxSpec&) override {}
};

// A link to a folder, made the way this system allows: a symbolic link where Windows lets this
// user make one; under Wine, whose CreateSymbolicLinkA makes nothing, a Unix symbolic link,
// which Wine shows as a reparse point.
class FolderLink {
  public:
    FolderLink(std::string link, const std::string& target)
        : link_(std::move(link)), parent_(link_.substr(0, link_.find_last_of('\\'))) {
        if (::CreateSymbolicLinkA(
                link_.c_str(), target.c_str(),
                SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
            IsLink()) {
            return;
        }
        RunUnixUntil("/bin/ln -s", {UnixPath(target), UnixPath(parent_) + "/" + Name()}, true);
    }
    ~FolderLink() {
        if (IsLink() && !::RemoveDirectoryA(link_.c_str())) {
            RunUnixUntil("/bin/rm", {UnixPath(link_)}, false);
        }
    }
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;

    bool IsLink() const {
        const DWORD attributes = ::GetFileAttributesA(link_.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }

  private:
    using UnixFileName = char*(CDECL*)(LPCWSTR);

    static UnixFileName WineUnixFileName() {
        return reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    }

    static std::string UnixPath(const std::string& path) {
        const UnixFileName convert = WineUnixFileName();
        const std::wstring wide(path.begin(), path.end());
        char* unix = convert != nullptr ? convert(wide.c_str()) : nullptr;
        if (unix == nullptr) {
            return {};
        }
        std::string converted = unix;
        ::HeapFree(::GetProcessHeap(), 0, unix);
        return converted;
    }

    std::string Name() const { return link_.substr(parent_.size() + 1); }

    // Runs a Unix program, as Wine can, until the link is there (or gone). Wine hands back no
    // handle that waits for a Unix program's end, so the change to the link's folder is awaited
    // instead, ten seconds at the most; elsewhere nothing happens.
    void RunUnixUntil(const std::string& program, const std::vector<std::string>& arguments,
                      bool linked) const {
        if (WineUnixFileName() == nullptr) {
            return;
        }
        const common::win32::ChangeNotificationHandle changes(::FindFirstChangeNotificationA(
            parent_.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME));
        if (!changes) {
            return;
        }
        std::string commandLine = program;
        for (const std::string& argument : arguments) {
            commandLine.append(" \"").append(argument).append("\"");
        }
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &started)) {
            const common::win32::UniqueHandle process(started.hProcess);
            const common::win32::UniqueHandle thread(started.hThread);
            while (IsLink() != linked &&
                   ::WaitForSingleObject(changes.Get(), 10000) == WAIT_OBJECT_0) {
                ::FindNextChangeNotification(changes.Get());
            }
        }
    }

    std::string link_;
    std::string parent_;
};

class Win32RemoveTreeTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(scratch_.Ok()); }

    std::string Path(const std::string& name) const { return Join(scratch_.Root(), name); }

    bool RemoveTree(const std::string& folder) {
        QuietView view;
        const auto memory = std::make_unique_for_overwrite<WorkerMemory>();
        Worker worker(platform_, view, *memory);
        return worker.RemoveTree(folder);
    }

    // What a look into the folder finds first, and the path it then names.
    FolderItem FirstItem(const std::string& folder, std::string& named) {
        std::vector<char> storage(kLongestPath);
        PathBuffer path(storage);
        path.Assign(folder);
        const FolderItem item = platform_.FirstItem(path);
        named = path.View();
        return item;
    }

    void MakeFolders(std::initializer_list<std::string> names) const {
        for (const std::string& name : names) {
            ASSERT_TRUE(::CreateDirectoryA(Path(name).c_str(), nullptr)) << name;
        }
    }

    TempFolder scratch_{"vexo-setup"};
    Win32Platform platform_;
};

TEST_F(Win32RemoveTreeTest, RemovesEverythingInside) {
    MakeFolders({"SFX1", "SFX1\\cache", "SFX1\\cache\\deep", "SFX1\\empty"});
    WriteFile(Path("SFX1\\setup.exe"), "x");
    WriteFile(Path("SFX1\\cache\\deep\\log.txt"), "log");
    EXPECT_TRUE(RemoveTree(Path("SFX1") + "\\"));
    EXPECT_FALSE(Exists(Path("SFX1")));
}

TEST_F(Win32RemoveTreeTest, FileStillOpenElsewhereFailsAndStays) {
    MakeFolders({"SFX2"});
    WriteFile(Path("SFX2\\setup.log"), "held by a program that setup started");
    {
        const common::win32::UniqueHandle held(::CreateFileA(Path("SFX2\\setup.log").c_str(),
                                                             GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                             OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(RemoveTree(Path("SFX2")));
        EXPECT_TRUE(Exists(Path("SFX2\\setup.log")));
    }
    EXPECT_TRUE(RemoveTree(Path("SFX2")));
}

TEST_F(Win32RemoveTreeTest, FileOrNothingInsteadOfAFolderFails) {
    WriteFile(Path("plain"), "x");
    EXPECT_FALSE(RemoveTree(Path("plain")));
    EXPECT_TRUE(Exists(Path("plain")));
    EXPECT_FALSE(RemoveTree(Path("missing")));
}

TEST_F(Win32RemoveTreeTest, NeverFollowsALinkToAFolder) {
    MakeFolders({"outside", "SFX3", "SFX3\\real", "SFX3\\holder"});
    WriteFile(Path("outside\\kept.txt"), "keep");
    WriteFile(Path("SFX3\\real\\file.txt"), "x");
    const FolderLink link(Path("SFX3\\holder\\link"), Path("outside"));
    if (!link.IsLink()) {
        GTEST_SKIP() << "this system lets the test make no link to a folder";
    }

    // A link to a folder is an item to delete, a real folder one to enter (SFX3 holds only
    // real ones), and nothing is looked at through the link.
    std::string named;
    EXPECT_EQ(FirstItem(Path("SFX3\\holder"), named), FolderItem::File);
    EXPECT_EQ(named, Path("SFX3\\holder\\link"));
    EXPECT_EQ(FirstItem(Path("SFX3"), named), FolderItem::Folder);
    EXPECT_EQ(FirstItem(Path("SFX3\\holder\\link"), named), FolderItem::Nothing);
    EXPECT_EQ(named, Path("SFX3\\holder\\link"));

    // Windows removes the link itself; Wine cannot, and the removal fails. Either way what the
    // link points to stays.
    RemoveTree(Path("SFX3"));
    EXPECT_EQ(ReadText(Path("outside\\kept.txt")), "keep");
}

}  // namespace
}  // namespace packager::win32::test
