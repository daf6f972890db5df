#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/environment.h"
#include "importer/files/listing.h"
#include "importer/files/path.h"
#include "importer/files/text.h"
#include "importer/files/version_info.h"
#include "importer/itunes/library/library_install.h"
#include "importer/itunes/library/media_library.h"
#include "importer/registry/clsRegistry.h"
#include "tests/tools/vexo/library_test_support.h"
#include "tools/vexo/reg_keys.h"

namespace vexo::cli::test {
namespace {

namespace fs = std::filesystem;
using registry::kHkeyLocalMachine;
using testing::HasSubstr;
using testing::StartsWith;

// The program's start-up checks of the media application, step by step: the first failure's
// message, or the detected version as "major.minor".
std::string StartupCheck(registry::RegistryApi& api) {
    const std::string programFiles = common::ExpandEnvironmentStrings("%PROGRAMFILES%");
    if (!basFiles::FolderExists(programFiles)) {
        return "Program Files location not detected.";
    }
    registry::clsRegistry reg(api);
    if (!reg.ValueExists(kHkeyLocalMachine, itunes::library::kLibraryRegistryKey,
                         "ProgramFolder")) {
        return "iTunes not detected in registry. Please reinstall iTunes.";
    }
    const std::string folder = reg.ReadString(
        kHkeyLocalMachine, itunes::library::kLibraryRegistryKey, "ProgramFolder", "");
    const std::string exe = basFiles::AddTrailing(programFiles, basFiles::kPathSeparator) +
                            basFiles::AddTrailing(folder, basFiles::kPathSeparator) + "iTunes.EXE";
    if (!basFiles::FileExists(exe)) {
        return "iTunes not found on the hard drive. Please reinstall iTunes.";
    }
    basFiles::FileVersionRecord record;
    if (!basFiles::ReadFileVersionInfo(exe, record)) {
        return "iTunes version unreadable. Please reinstall iTunes.";
    }
    const auto major = record.FileVersionParts[0];
    const auto minor = record.FileVersionParts[1];
    if (major < 7 || (major == 7 && minor < 1)) {
        return "iTunes v7.1 or better not detected. Please update iTunes.";
    }
    return std::to_string(major) + "." + std::to_string(minor);
}

class LibraryInstallTest : public LibraryPrefixTest {
  protected:
    std::optional<std::string> ProgramFolder() {
        OpenedKey key(api());
        regfile::ValueEntry value;
        if (key.Open(kHkeyLocalMachine, itunes::library::kLibraryRegistryKey, registry::kKeyRead) !=
                registry::kErrorSuccess ||
            ReadValue(api(), key.get(), "ProgramFolder", value) != registry::kErrorSuccess) {
            return std::nullopt;
        }
        EXPECT_EQ(value.type, registry::kRegSz);
        return std::string(value.data.begin(), value.data.end());
    }

    bool KeyExists(std::string_view subKey) {
        OpenedKey key(api());
        return key.Open(kHkeyLocalMachine, subKey, registry::kKeyRead) == registry::kErrorSuccess;
    }

    void SetValue(std::string_view subKey, std::string_view name, std::string_view text) {
        OpenedKey key(api());
        ASSERT_EQ(key.Create(kHkeyLocalMachine, subKey, registry::kKeyWrite),
                  registry::kErrorSuccess);
        const std::string data = std::string(text) + '\0';
        ASSERT_EQ(api().RegSetValueEx(key.get(), name, registry::kRegSz,
                                      reinterpret_cast<const std::uint8_t*>(data.data()),
                                      static_cast<std::uint32_t>(data.size())),
                  registry::kErrorSuccess);
    }
};

TEST_F(LibraryInstallTest, StartupChecksFailBeforeAndPassAfterInstall) {
    EXPECT_EQ(StartupCheck(api()), "iTunes not detected in registry. Please reinstall iTunes.");

    const LibraryRun run = Library({"install"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(StartupCheck(api()), "7.1");
    EXPECT_EQ(ProgramFolder(), std::string("iTunes") + '\0');
    EXPECT_TRUE(fs::exists(common::MediaLibraryPath()));
}

TEST_F(LibraryInstallTest, ProgramFileCarriesOurOwnNamesAndTheAutomationVersion) {
    ASSERT_EQ(Library({"install"}).status, kExitOk);
    const std::string exe = Prefix() + "/Program Files/iTunes/iTunes.EXE";
    ASSERT_EQ(itunes::library::LibraryProgramFilePath(), exe);

    basFiles::FileVersionRecord record;
    ASSERT_TRUE(basFiles::ReadFileVersionInfo(exe, record));
    EXPECT_EQ(record.FileVersion, "7.1.0.0");
    EXPECT_GE(record.FileVersionParts[0] * 1000 + record.FileVersionParts[1], 7001);
    EXPECT_EQ(record.CompanyName, "VEXO");
    EXPECT_EQ(record.ProductName, "VEXO Media Library");
    EXPECT_EQ(record.FileDescription, "VEXO Media Library");
    EXPECT_EQ(record.OriginalFilename, "iTunes.EXE");

    // A PE32 image: "MZ", then "PE\0\0" and the i386 machine type at e_lfanew.
    const std::string head = ReadText(exe);
    ASSERT_GE(head.size(), 0x86u);
    EXPECT_EQ(head.substr(0, 2), "MZ");
    EXPECT_EQ(head.substr(0x80, 4), std::string("PE\0\0", 4));
    EXPECT_EQ(static_cast<unsigned char>(head[0x84]), 0x4C);
    EXPECT_EQ(static_cast<unsigned char>(head[0x85]), 0x01);
}

TEST_F(LibraryInstallTest, SecondInstallChangesNothingAndKeepsTracks) {
    ASSERT_EQ(Library({"install"}).status, kExitOk);
    const auto written = fs::last_write_time(itunes::library::LibraryProgramFilePath());

    const LibraryRun again = Library({"install"});
    EXPECT_EQ(again.status, kExitOk) << again.err;
    EXPECT_THAT(again.out, HasSubstr("is \"iTunes\" already"));
    EXPECT_THAT(again.out, HasSubstr("is current already"));
    EXPECT_THAT(again.out, HasSubstr("is present already"));
    EXPECT_EQ(fs::last_write_time(itunes::library::LibraryProgramFilePath()), written);
    EXPECT_EQ(StartupCheck(api()), "7.1");
}

// What a broken or older installation left behind is put right.
TEST_F(LibraryInstallTest, InstallRepairsAChangedValueAndProgramFile) {
    ASSERT_EQ(Library({"install"}).status, kExitOk);
    SetValue(itunes::library::kLibraryRegistryKey, "ProgramFolder", "C:\\Program Files\\iTunes");
    WriteFile(itunes::library::LibraryProgramFilePath(), "MZ");
    EXPECT_EQ(StartupCheck(api()), "iTunes not found on the hard drive. Please reinstall iTunes.");

    const LibraryRun run = Library({"install"});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_THAT(run.out, HasSubstr("(was \"C:\\Program Files\\iTunes\")"));
    EXPECT_EQ(StartupCheck(api()), "7.1");
}

TEST_F(LibraryInstallTest, UninstallRemovesAllThreeAndMayRunAgain) {
    ASSERT_EQ(Library({"install"}).status, kExitOk);
    const LibraryRun run = Library({"uninstall"});
    ASSERT_EQ(run.status, kExitOk) << run.err;

    EXPECT_EQ(ProgramFolder(), std::nullopt);
    EXPECT_FALSE(KeyExists(itunes::library::kLibraryRegistryParentKey));
    EXPECT_TRUE(KeyExists("SOFTWARE"));
    EXPECT_FALSE(fs::exists(itunes::library::LibraryProgramFolderPath()));
    EXPECT_TRUE(fs::is_directory(Prefix() + "/Program Files"));
    EXPECT_FALSE(fs::exists(common::MediaLibraryPath()));
    EXPECT_FALSE(fs::exists(Prefix() + "/Music"));
    EXPECT_EQ(StartupCheck(api()), "iTunes not detected in registry. Please reinstall iTunes.");

    const LibraryRun again = Library({"uninstall"});
    EXPECT_EQ(again.status, kExitOk) << again.err;
    EXPECT_THAT(again.out, HasSubstr("was not there"));
}

// Uninstalling takes only what install made: other values and files stay.
TEST_F(LibraryInstallTest, UninstallLeavesWhatOthersPutBesideIt) {
    ASSERT_EQ(Library({"install"}).status, kExitOk);
    SetValue(itunes::library::kLibraryRegistryKey, "Other", "kept");
    const std::string note = itunes::library::LibraryProgramFolderPath() + "/note.txt";
    WriteFile(note, "kept");

    ASSERT_EQ(Library({"uninstall"}).status, kExitOk);
    EXPECT_EQ(ProgramFolder(), std::nullopt);
    EXPECT_TRUE(KeyExists(itunes::library::kLibraryRegistryKey));
    EXPECT_TRUE(fs::exists(note));
    EXPECT_FALSE(fs::exists(itunes::library::LibraryProgramFilePath()));
}

}  // namespace
}  // namespace vexo::cli::test
