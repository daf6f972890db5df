// The store's keys and values: persistence, names, paths, hives, deletion, a store that cannot
// be opened, and the process's system registry.
#include <numeric>

#include "common/machine_prefix.h"
#include "common/sqlite_database.h"
#include "importer/registry/store/store_status.h"
#include "tests/importer/registry/store/store_test_support.h"
#include "tests/support/scoped_environment.h"

namespace registry::testing {
namespace {

using store::kErrorBadPathname;

TEST_F(StoreTest, ReopenedStoreHoldsEveryValueAsWritten) {
    std::vector<std::uint8_t> everyByte(256);
    std::iota(everyByte.begin(), everyByte.end(), std::uint8_t{0});
    const std::vector<std::uint8_t> large(1 << 20, 0xA5);
    const std::vector<std::pair<std::string, StoredValue>> values = {
        {"", {kRegSz, ToBytes(std::string_view("default\0", 8))}},
        {"Text", {kRegSz, ToBytes(std::string_view("caf\xE9\0", 5))}},
        {"EmptyText", {kRegSz, {0}}},
        {"NoBytes", {kRegSz, {}}},
        {"Expand", {kRegExpandSz, ToBytes(std::string_view("%TEMP%\\x\0", 9))}},
        {"Multi", {kRegMultiSz, ToBytes(std::string_view("a\0b\0\0", 5))}},
        {"Number", {kRegDword, DwordBytes(300)}},
        {"Binary", {kRegBinary, everyByte}},
        {"Large", {kRegBinary, large}},
        {"OddType", {0x1234, ToBytes("?")}},
    };
    const Hkey key = Create(kHkeyCurrentUser, "Software\\Kept");
    for (const auto& [name, value] : values) {
        ASSERT_EQ(SetValue(api(), key, name, value.type, value.data), kErrorSuccess) << name;
    }
    ASSERT_EQ(api().RegCloseKey(key), kErrorSuccess);
    Reopen();

    const Hkey reopened = Open(kHkeyCurrentUser, "Software\\Kept", kKeyRead);
    for (const auto& [name, value] : values) {
        EXPECT_EQ(GetValue(api(), reopened, name), value) << name;
    }
    std::vector<std::string> names;
    for (const auto& entry : values) {
        names.push_back(entry.first);
    }
    EXPECT_EQ(ValueNames(api(), reopened), names);  // still in order of creation
}

TEST_F(StoreTest, NamesCompareWithoutCaseAndKeepTheirSpelling) {
    const Hkey key = Create(kHkeyLocalMachine, "Software\\MyApp");
    const Hkey sameKey = Create(kHkeyLocalMachine, "SOFTWARE\\myapp");
    EXPECT_EQ(SubkeyNames(api(), kHkeyLocalMachine), std::vector<std::string>{"Software"});
    ASSERT_EQ(SetValue(api(), key, "Width", kRegDword, DwordBytes(1)), kErrorSuccess);
    ASSERT_EQ(SetValue(api(), sameKey, "WIDTH", kRegDword, DwordBytes(2)), kErrorSuccess);
    EXPECT_EQ(ValueNames(api(), key), std::vector<std::string>{"Width"});
    EXPECT_EQ(GetValue(api(), key, "wIdTh"), (StoredValue{kRegDword, DwordBytes(2)}));
    EXPECT_EQ(SubkeyNames(api(), Open(kHkeyLocalMachine, "software")),
              std::vector<std::string>{"MyApp"});

    // Only ASCII letters fold: other bytes must match exactly.
    Create(kHkeyLocalMachine, "Software\\\xC4");
    Create(kHkeyLocalMachine, "Software\\\xE4");
    EXPECT_EQ(SubkeyNames(api(), Open(kHkeyLocalMachine, "Software")),
              (std::vector<std::string>{"MyApp", "\xC4", "\xE4"}));
}

struct PathCase {
    const char* label;
    Hkey hive;
    std::string subKey;
    Status create;
    Status open;          // after the create
    const char* reached;  // the key it names, as enumerated below the hive; "" for none
};

class KeyPathTest : public StoreTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(KeyPathTest, CreateAndOpen) {
    const PathCase& path = GetParam();
    Hkey created = 0;
    EXPECT_EQ(api().RegCreateKeyEx(path.hive, path.subKey, kKeyAllAccess, created), path.create);
    EXPECT_EQ(created != 0, path.create == kErrorSuccess);
    Hkey opened = 0;
    EXPECT_EQ(api().RegOpenKeyEx(path.hive, path.subKey, kKeyRead, opened), path.open);
    EXPECT_EQ(opened != 0, path.open == kErrorSuccess);
    const std::vector<std::string> top = SubkeyNames(api(), path.hive);
    if (std::string_view(path.reached).empty()) {
        EXPECT_TRUE(top.empty());
    } else {
        EXPECT_EQ(top, std::vector<std::string>{path.reached});
    }
}

const std::string kLongest(255, 'k');
const std::string kTooLong(256, 'k');

INSTANTIATE_TEST_SUITE_P(
    Paths, KeyPathTest,
    ::testing::Values(
        PathCase{"TwoLevels", kHkeyCurrentUser, "A\\B", 0, 0, "A"},
        PathCase{"TrailingSeparator", kHkeyCurrentUser, "A\\B\\", 0, 0, "A"},
        PathCase{"TrailingSeparators", kHkeyCurrentUser, "A\\\\\\", 0, 0, "A"},
        PathCase{"LeadingSeparator", kHkeyCurrentUser, "\\A", kErrorBadPathname, kErrorBadPathname,
                 ""},
        PathCase{"LeadingSeparatorBelowClassesRoot", kHkeyClassesRoot, "\\A", 0, 0, "A"},
        PathCase{"EmptyLevel", kHkeyCurrentUser, "A\\\\B", kErrorBadPathname, kErrorBadPathname,
                 ""},
        PathCase{"OnlySeparator", kHkeyCurrentUser, "\\", kErrorBadPathname, kErrorBadPathname, ""},
        PathCase{"Nul", kHkeyCurrentUser, std::string("A\0B", 3), kErrorInvalidParameter,
                 kErrorInvalidParameter, ""},
        PathCase{"LongestName", kHkeyCurrentUser, kLongest, 0, 0, kLongest.c_str()},
        PathCase{"NameTooLong", kHkeyCurrentUser, "A\\" + kTooLong, kErrorInvalidParameter,
                 kErrorFileNotFound, ""}),
    [](const auto& entry) { return std::string(entry.param.label); });

TEST_F(StoreTest, CreatingMakesEveryMissingLevelAtOnce) {
    const Hkey deep = Create(kHkeyCurrentUser, "L1\\L2\\L3");
    ASSERT_EQ(SetValue(api(), deep, "x", kRegDword, DwordBytes(7)), kErrorSuccess);
    EXPECT_EQ(SubkeyNames(api(), Open(kHkeyCurrentUser, "L1")), std::vector<std::string>{"L2"});
    EXPECT_EQ(SubkeyNames(api(), Open(kHkeyCurrentUser, "L1\\L2")), std::vector<std::string>{"L3"});
    // Creating an existing path opens it.
    EXPECT_EQ(GetValue(api(), Create(kHkeyCurrentUser, "l1\\l2\\l3"), "x"),
              (StoredValue{kRegDword, DwordBytes(7)}));
    EXPECT_EQ(SubkeyNames(api(), kHkeyCurrentUser), std::vector<std::string>{"L1"});
}

TEST_F(StoreTest, EmptyPathGivesTheHiveItselfOrAFurtherHandle) {
    Hkey hive = 0;
    EXPECT_EQ(api().RegOpenKeyEx(kHkeyUsers, "", kKeyRead, hive), kErrorSuccess);
    EXPECT_EQ(hive, kHkeyUsers);
    const Hkey key = Create(kHkeyUsers, "K");
    const Hkey again = Open(key, "");
    EXPECT_NE(again, key);
    ASSERT_EQ(SetValue(api(), again, "v", kRegDword, DwordBytes(1)), kErrorSuccess);
    EXPECT_EQ(api().RegCloseKey(again), kErrorSuccess);
    EXPECT_TRUE(GetValue(api(), key, "v").has_value());
}

const Hkey kHives[] = {kHkeyClassesRoot,     kHkeyCurrentUser,   kHkeyLocalMachine, kHkeyUsers,
                       kHkeyPerformanceData, kHkeyCurrentConfig, kHkeyDynData};

class HiveTest : public StoreTest, public ::testing::WithParamInterface<Hkey> {};

TEST_P(HiveTest, EachHiveIsARootOfItsOwn) {
    const Hkey hive = GetParam();
    const Hkey key = Create(hive, "Probe");
    ASSERT_EQ(SetValue(api(), key, "hive", kRegDword, DwordBytes(hive)), kErrorSuccess);
    ASSERT_EQ(SetValue(api(), hive, "atRoot", kRegDword, DwordBytes(hive)), kErrorSuccess);
    Reopen();
    EXPECT_EQ(GetValue(api(), Open(hive, "probe"), "hive"),
              (StoredValue{kRegDword, DwordBytes(hive)}));
    EXPECT_EQ(GetValue(api(), hive, "atRoot"), (StoredValue{kRegDword, DwordBytes(hive)}));
    for (const Hkey other : kHives) {
        if (other != hive) {
            EXPECT_TRUE(SubkeyNames(api(), other).empty()) << std::hex << other;
            EXPECT_TRUE(ValueNames(api(), other).empty()) << std::hex << other;
        }
    }
    EXPECT_EQ(api().RegCloseKey(hive), kErrorSuccess);  // accepted, and nothing happens
    EXPECT_EQ(SubkeyNames(api(), hive), std::vector<std::string>{"Probe"});
}

INSTANTIATE_TEST_SUITE_P(Hives, HiveTest, ::testing::ValuesIn(kHives));

TEST_F(StoreTest, ValuesBeyondTheHivesAreNoHandles) {
    Hkey key = 0;
    for (const Hkey notAHive : {Hkey{0}, Hkey{0x80000007}, Hkey{0xFFFFFFFF}}) {
        EXPECT_EQ(api().RegCreateKeyEx(notAHive, "X", kKeyAllAccess, key), kErrorInvalidHandle);
        EXPECT_EQ(api().RegCloseKey(notAHive), kErrorInvalidHandle);
    }
}

TEST_F(StoreTest, DeletingAKeyTakesItsValuesButRefusesAKeyWithSubkeys) {
    const Hkey parent = Create(kHkeyCurrentUser, "Parent");
    const Hkey child = Create(parent, "Child");
    ASSERT_EQ(SetValue(api(), child, "v", kRegDword, DwordBytes(1)), kErrorSuccess);
    Create(child, "Grandchild");

    EXPECT_EQ(api().RegDeleteKey(parent, "Child"), kErrorAccessDenied);
    EXPECT_EQ(SubkeyNames(api(), parent), std::vector<std::string>{"Child"});
    EXPECT_EQ(api().RegDeleteKey(parent, "child\\grandchild"), kErrorSuccess);
    EXPECT_EQ(api().RegDeleteKey(parent, "Child"), kErrorSuccess);
    EXPECT_EQ(api().RegDeleteKey(parent, "Child"), kErrorFileNotFound);
    EXPECT_TRUE(SubkeyNames(api(), parent).empty());
    // A key made again under the same name starts empty.
    EXPECT_TRUE(ValueNames(api(), Create(parent, "Child")).empty());

    // A hive stays, however it is named.
    EXPECT_EQ(api().RegDeleteKey(kHkeyCurrentUser, ""), kErrorAccessDenied);
    EXPECT_EQ(api().RegDeleteKey(Create(kHkeyCurrentUser, ""), ""), kErrorAccessDenied);
    EXPECT_EQ(api().RegDeleteKey(kHkeyClassesRoot, "\\"), kErrorAccessDenied);
    EXPECT_EQ(SubkeyNames(api(), kHkeyCurrentUser), std::vector<std::string>{"Parent"});
    EXPECT_EQ(api().RegDeleteKey(kHkeyCurrentUser, "Nowhere\\Child"), kErrorFileNotFound);
}

TEST_F(StoreTest, HandleOfADeletedKeyAnswersKeyDeleted) {
    const Hkey key = Create(kHkeyCurrentUser, "Doomed");
    const Hkey other = Open(kHkeyCurrentUser, "Doomed");
    ASSERT_EQ(SetValue(api(), key, "v", kRegDword, DwordBytes(1)), kErrorSuccess);
    ASSERT_EQ(api().RegDeleteKey(key, ""), kErrorSuccess);  // a key deletes itself

    for (const Hkey handle : {key, other}) {
        std::uint32_t size = 0;
        EXPECT_EQ(api().RegQueryValueEx(handle, "v", nullptr, nullptr, &size), kErrorKeyDeleted);
        EXPECT_EQ(SetValue(api(), handle, "v", kRegDword, DwordBytes(2)), kErrorKeyDeleted);
        Hkey below = 0;
        EXPECT_EQ(api().RegCreateKeyEx(handle, "Below", kKeyAllAccess, below), kErrorKeyDeleted);
        EXPECT_EQ(api().RegOpenKeyEx(handle, "", kKeyRead, below), kErrorKeyDeleted);
        EXPECT_EQ(api().RegDeleteKey(handle, ""), kErrorKeyDeleted);
        EXPECT_EQ(api().RegCloseKey(handle), kErrorSuccess);
    }
    // A key of the same name made later is a different key.
    const Hkey reborn = Create(kHkeyCurrentUser, "Doomed");
    EXPECT_FALSE(GetValue(api(), reborn, "v").has_value());
}

TEST_F(StoreTest, DeletionThroughAnotherConnectionIsSeenToo) {
    const Hkey key = Create(kHkeyCurrentUser, "Shared\\Doomed");
    StoreRegistryApi other(StorePath());
    ASSERT_EQ(other.RegDeleteKey(kHkeyCurrentUser, "Shared\\Doomed"), kErrorSuccess);
    EXPECT_EQ(SetValue(api(), key, "v", kRegDword, DwordBytes(1)), kErrorKeyDeleted);
}

struct BrokenStoreCase {
    const char* label;
    // Prepares the file at path (in an existing temporary folder); returns the path to open.
    std::string (*prepare)(const std::string& path);
};

class BrokenStoreTest : public ::testing::TestWithParam<BrokenStoreCase> {};

TEST_P(BrokenStoreTest, EveryOperationFailsWithAStatus) {
    TempFolder folder;
    StoreRegistryApi api(GetParam().prepare(folder / "registry.db"));
    EXPECT_NE(api.OpenStatus(), kErrorSuccess);
    Hkey key = 0;
    EXPECT_NE(api.RegCreateKeyEx(kHkeyCurrentUser, "X", kKeyAllAccess, key), kErrorSuccess);
    EXPECT_NE(api.RegOpenKeyEx(kHkeyCurrentUser, "X", kKeyRead, key), kErrorSuccess);
    EXPECT_EQ(key, 0u);
    std::uint32_t size = 0;
    EXPECT_NE(api.RegQueryValueEx(kHkeyCurrentUser, "v", nullptr, nullptr, &size), kErrorSuccess);
    EXPECT_NE(SetValue(api, kHkeyCurrentUser, "v", kRegDword, DwordBytes(1)), kErrorSuccess);
    char name[16];
    std::uint32_t length = sizeof name;
    EXPECT_NE(api.RegEnumKeyEx(kHkeyCurrentUser, 0, name, length), kErrorSuccess);
    EXPECT_NE(api.RegEnumValue(kHkeyCurrentUser, 0, name, length, nullptr, nullptr, nullptr),
              kErrorSuccess);
    EXPECT_NE(api.RegDeleteKey(kHkeyCurrentUser, "X"), kErrorSuccess);
    EXPECT_NE(api.RegDeleteValue(kHkeyCurrentUser, "v"), kErrorSuccess);
    EXPECT_NE(api.RegNotifyChangeKeyValue(kHkeyCurrentUser, true, kRegNotifyChangeName, 0, false),
              kErrorSuccess);
    EXPECT_EQ(api.RegCloseKey(kHkeyCurrentUser), kErrorSuccess);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, BrokenStoreTest,
    ::testing::Values(
        BrokenStoreCase{"NoPath", [](const std::string&) { return std::string(); }},
        BrokenStoreCase{"MissingFolder",
                        [](const std::string& path) { return path + ".d/registry.db"; }},
        BrokenStoreCase{"NotADatabase",
                        [](const std::string& path) {
                            vexo::test_support::WriteFile(path, std::string(8192, 'x'));
                            return path;
                        }},
        BrokenStoreCase{"AnotherProgramsDatabase",
                        [](const std::string& path) {
                            common::sqlite::Database database;
                            common::sqlite::Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                                 {}, database);
                            common::sqlite::Execute(database.get(), "CREATE TABLE keys(x)");
                            return path;
                        }}),
    [](const auto& entry) { return std::string(entry.param.label); });

TEST(SystemRegistryTest, LivesInTheMachinePrefix) {
    TempFolder folder;
    const std::string prefix = folder / "prefix";
    const vexo::test_support::ScopedVariable variable("VEXO_PREFIX", prefix);
    RegistryApi& api = SystemRegistryApi();
    EXPECT_EQ(&api, &SystemRegistryApi());
    Hkey key = 0;
    ASSERT_EQ(api.RegCreateKeyEx(kHkeyCurrentUser, "Software\\VEXO", kKeyAllAccess, key),
              kErrorSuccess);
    EXPECT_EQ(SetValue(api, key, "v", kRegDword, DwordBytes(5)), kErrorSuccess);
    EXPECT_EQ(api.RegCloseKey(key), kErrorSuccess);
    EXPECT_TRUE(fs::exists(prefix + "/registry.db"));
    StoreRegistryApi direct(prefix + "/registry.db");
    EXPECT_EQ(GetValue(direct, kHkeyCurrentUser, "v"), std::nullopt);
    ASSERT_EQ(direct.RegOpenKeyEx(kHkeyCurrentUser, "Software\\VEXO", kKeyRead, key),
              kErrorSuccess);
    EXPECT_EQ(GetValue(direct, key, "v"), (StoredValue{kRegDword, DwordBytes(5)}));
}

}  // namespace
}  // namespace registry::testing
