// The uninstall entry of the ST6UNST uninstaller: finding it, taking it over and handing it
// back, and the saving and restoring of text values underneath.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "importer/files/path.h"
#include "tests/importer/registry/registry_backends.h"

namespace registry::testing {
namespace {

using namespace std::string_literals;

const std::string kEntryPrefix =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ST6UNST #";
const std::string kToolkitCommand = "C:\\WINDOWS\\ST6UNST.EXE -n \"C:\\Apps\\ST6UNST.LOG\"";

std::string OwnCommand() {
    return std::string(kTestProgramFolder) + std::string(basFiles::kPathSeparator) +
           "Demo.EXE /uninstall";
}

template <typename Backend>
class Uninstall : public clsRegistryBehaviour<Backend> {
  protected:
    void Entry(int number, const std::string& application,
               std::optional<std::string> command = std::nullopt) {
        const std::string key = kEntryPrefix + std::to_string(number);
        PutValue(this->api(), kHkeyLocalMachine, key, "ApplicationName", kRegSz,
                 application + '\0');
        if (command) {
            PutValue(this->api(), kHkeyLocalMachine, key, "UninstallString", kRegSz,
                     *command + '\0');
        }
    }
    std::optional<std::string> Text(const std::string& key, const char* name) {
        const auto value = GetValue(this->api(), kHkeyLocalMachine, key, name);
        if (!value) {
            return std::nullopt;
        }
        return value->bytes.substr(0, value->bytes.size() - 1);
    }
};
TYPED_TEST_SUITE(Uninstall, RegistryBackends, BackendNames);

TYPED_TEST(Uninstall, WithoutAnEntryEveryCandidateIsReadAndNothingHappens) {
    this->Entry(5, "Other.exe", kToolkitCommand);
    EXPECT_EQ(this->reg().SearchForUninstallKey(), "");
    const auto& opened = this->ledger().OpenedPaths();
    EXPECT_EQ(std::count_if(opened.begin(), opened.end(),
                            [](const std::string& p) { return p.starts_with(kEntryPrefix); }),
              1001);
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.front(), kEntryPrefix + "0");
    EXPECT_EQ(opened.back(), kEntryPrefix + "1000");

    std::string command = "unchanged";
    EXPECT_FALSE(this->reg().BackupUninstallValue());
    EXPECT_FALSE(this->reg().RestoreUninstallValue(command));
    EXPECT_EQ(command, "unchanged");
    EXPECT_EQ(this->Text(kEntryPrefix + "5", "UninstallString"), kToolkitCommand);
}

TYPED_TEST(Uninstall, FindsTheLowestEntryNamingTheProgramInAnyCase) {
    this->Entry(7, "DEMO.EXE");
    this->Entry(3, "demo.exe");
    this->Entry(1, "Demo.exe.bak");
    EXPECT_EQ(this->reg().SearchForUninstallKey(), kEntryPrefix + "3");
}

TYPED_TEST(Uninstall, BackupTakesTheEntryOverOnce) {
    this->Entry(2, "Demo.exe", kToolkitCommand);
    const std::string key = kEntryPrefix + "2";
    EXPECT_TRUE(this->reg().BackupUninstallValue());
    EXPECT_EQ(this->Text(key, "UninstallString"), OwnCommand());
    EXPECT_EQ(this->Text(key, "Old_UninstallString"), kToolkitCommand);

    EXPECT_TRUE(this->reg().BackupUninstallValue());
    EXPECT_EQ(this->Text(key, "UninstallString"), OwnCommand());
    EXPECT_EQ(this->Text(key, "Old_UninstallString"), kToolkitCommand);
}

TYPED_TEST(Uninstall, BackupNeedsAnUninstallString) {
    this->Entry(2, "Demo.exe");
    EXPECT_FALSE(this->reg().BackupUninstallValue());
    EXPECT_EQ(this->Text(kEntryPrefix + "2", "Old_UninstallString"), std::nullopt);
}

TYPED_TEST(Uninstall, RestoreHandsTheEntryBack) {
    this->Entry(2, "Demo.exe", kToolkitCommand);
    const std::string key = kEntryPrefix + "2";
    ASSERT_TRUE(this->reg().BackupUninstallValue());

    std::string command;
    EXPECT_TRUE(this->reg().RestoreUninstallValue(command));
    EXPECT_EQ(command, kToolkitCommand);
    EXPECT_EQ(this->Text(key, "UninstallString"), kToolkitCommand);
    EXPECT_EQ(this->Text(key, "Old_UninstallString"), std::nullopt);

    command = "unchanged";
    EXPECT_FALSE(this->reg().RestoreUninstallValue(command));
    EXPECT_EQ(command, "unchanged");
}

TYPED_TEST(Uninstall, RestoreOfAnEmptySavedCommandChangesNothing) {
    this->Entry(2, "Demo.exe", OwnCommand());
    const std::string key = kEntryPrefix + "2";
    PutValue(this->api(), kHkeyLocalMachine, key, "Old_UninstallString", kRegSz, "\0"s);
    std::string command = "unchanged";
    EXPECT_FALSE(this->reg().RestoreUninstallValue(command));
    EXPECT_EQ(command, "");
    EXPECT_EQ(this->Text(key, "UninstallString"), OwnCommand());
    EXPECT_EQ(this->Text(key, "Old_UninstallString"), "");
}

TYPED_TEST(Uninstall, BackupWriteStringKeepsTheFirstSavedText) {
    PutValue(this->api(), kHive, kKey, "Value", kRegSz, "second\0"s);
    PutValue(this->api(), kHive, kKey, "Old_Value", kRegSz, "first\0"s);
    EXPECT_TRUE(this->reg().BackupWriteString(kHive, kKey, "Value", "third", ""));
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Value", ""), "third");
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Old_Value", ""), "first");
}

TYPED_TEST(Uninstall, BackupWriteStringMarkerComparesInCapitals) {
    PutValue(this->api(), kHive, kKey, "Value", kRegSz, "run DEMO.exe now\0"s);
    EXPECT_TRUE(this->reg().BackupWriteString(kHive, kKey, "Value", "new", "demo.EXE"));
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Value", ""), "run DEMO.exe now");
    EXPECT_FALSE(this->reg().ValueExists(kHive, kKey, "Old_Value"));

    EXPECT_TRUE(this->reg().BackupWriteString(kHive, kKey, "Value", "new", ""))
        << "an empty marker never matches";
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Value", ""), "new");
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Old_Value", ""), "run DEMO.exe now");
}

TYPED_TEST(Uninstall, BackupOfAMissingValueSavesTheEmptyText) {
    PutKey(this->api(), kHive, kKey);
    EXPECT_TRUE(this->reg().BackupWriteString(kHive, kKey, "Value", "new", "x"));
    EXPECT_EQ(GetValue(this->api(), kHive, kKey, "Old_Value"), (StoredValue{kRegSz, "\0"s}));
    this->reg().RestoreWriteString(kHive, kKey, "Value");
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Value", "d"), "");
    EXPECT_FALSE(this->reg().ValueExists(kHive, kKey, "Old_Value"));
}

// ReadString reads texts of 1024 bytes or more as the empty text; the backup must still save
// (and the restore put back) the whole text.
TYPED_TEST(Uninstall, LongTextsSurviveBackupAndRestore) {
    const std::string longText = "begin" + std::string(2000, 'x') + "end";
    PutValue(this->api(), kHive, kKey, "Value", kRegSz, longText + '\0');
    EXPECT_TRUE(this->reg().BackupWriteString(kHive, kKey, "Value", "short", "XEND"))
        << "the marker is looked for in the whole text";
    EXPECT_EQ(GetValue(this->api(), kHive, kKey, "Value"), (StoredValue{kRegSz, longText + '\0'}));
    EXPECT_FALSE(this->reg().ValueExists(kHive, kKey, "Old_Value"));

    EXPECT_TRUE(this->reg().BackupWriteString(kHive, kKey, "Value", "short", "other"));
    EXPECT_EQ(GetValue(this->api(), kHive, kKey, "Old_Value"),
              (StoredValue{kRegSz, longText + '\0'}));
    this->reg().RestoreWriteString(kHive, kKey, "Value");
    EXPECT_EQ(GetValue(this->api(), kHive, kKey, "Value"), (StoredValue{kRegSz, longText + '\0'}));
    EXPECT_FALSE(this->reg().ValueExists(kHive, kKey, "Old_Value"));
}

TYPED_TEST(Uninstall, RestoreUninstallValueHandsOverALongSavedCommandWhole) {
    const std::string longCommand = kToolkitCommand + std::string(1500, ' ') + "/q";
    this->Entry(4, "Demo.exe", longCommand);
    ASSERT_TRUE(this->reg().BackupUninstallValue());
    std::string command;
    EXPECT_TRUE(this->reg().RestoreUninstallValue(command));
    EXPECT_EQ(command, longCommand);
    EXPECT_EQ(this->Text(kEntryPrefix + "4", "UninstallString"), longCommand);
}

TYPED_TEST(Uninstall, RestoreWriteStringWithoutASavedCopyChangesNothing) {
    PutValue(this->api(), kHive, kKey, "Value", kRegSz, "kept\0"s);
    this->reg().RestoreWriteString(kHive, kKey, "Value");
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Value", ""), "kept");
}

}  // namespace
}  // namespace registry::testing
