// The store's keys and values: persistence, names, paths, hives, deletion, a store that cannot
// be opened, and the process's system registry.
#include <algorithm>
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
}

struct FoldCase {
    const char* label;
    const char* first;
    const char* second;
    bool same;  // one name under the registry's upper-casing
};

class NameFoldingTest : public StoreTest, public ::testing::WithParamInterface<FoldCase> {};

TEST_P(NameFoldingTest, KeysAndValuesAreOneExactlyWhenTheirUpperCaseIs) {
    const FoldCase& names = GetParam();
    const Hkey key = Create(kHkeyCurrentUser, names.first);
    Create(kHkeyCurrentUser, names.second);
    ASSERT_EQ(SetValue(api(), key, names.first, kRegDword, DwordBytes(1)), kErrorSuccess);
    ASSERT_EQ(SetValue(api(), key, names.second, kRegDword, DwordBytes(2)), kErrorSuccess);
    const std::vector<std::string> expected =
        names.same ? std::vector<std::string>{names.first}
                   : std::vector<std::string>{names.first, names.second};
    EXPECT_EQ(ValueNames(api(), key), expected);  // the spelling first written stays
    std::vector<std::string> keys = SubkeyNames(api(), kHkeyCurrentUser);
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> sortedExpected = expected;
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(keys, sortedExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameFoldingTest,
    ::testing::Values(FoldCase{"Umlaut", "\xC3\x9C", "\xC3\xBC", true},     // Ü ü
                      FoldCase{"Sigmas", "\xCF\x82", "\xCF\x83", true},     // ς σ (both Σ)
                      FoldCase{"TitleCase", "\xC7\x85", "\xC7\x86", true},  // ǅ ǆ (both Ǆ)
                      // ß has no one-character upper case: SS is another name, and so is ẞ.
                      FoldCase{"SharpSAndSS", "\xC3\x9F", "SS", false},
                      FoldCase{"SharpSAndCapitalSharpS", "\xC3\x9F", "\xE1\xBA\x9E", false},
                      // Only the BMP is upper-cased: Deseret's two cases stay two names.
                      FoldCase{"BeyondTheBmp", "\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", false},
                      // Bytes that are no UTF-8 stand for themselves.
                      FoldCase{"StrayBytes", "\xC4", "\xE4", false}),
    [](const auto& entry) { return std::string(entry.param.label); });

TEST_F(StoreTest, SubkeysComeInUpperCaseOrderAndValuesInOrderOfCreation) {
    const Hkey key = Create(kHkeyCurrentUser, "Order");
    const std::vector<std::string> created = {"zeta",
                                              "\xC3\x89"
                                              "clair",
                                              "_under",
                                              "alpha",
                                              "Beta",
                                              "\xC3\xA4rger",
                                              "\xE2\x82\xACuro"};
    for (const std::string& name : created) {
        Create(key, name);
        ASSERT_EQ(SetValue(api(), key, name, kRegDword, DwordBytes(1)), kErrorSuccess);
    }
    // By upper-cased UTF-16 code units: "_" (U+005F) after the letters, then Ä, É, €.
    const std::vector<std::string> sorted = {"alpha",
                                             "Beta",
                                             "zeta",
                                             "_under",
                                             "\xC3\xA4rger",
                                             "\xC3\x89"
                                             "clair",
                                             "\xE2\x82\xACuro"};
    EXPECT_EQ(SubkeyNames(api(), key), sorted);
    EXPECT_EQ(ValueNames(api(), key), created);

    // The index is a position in the order of the moment, whichever index was asked before.
    const auto at = [&](std::uint32_t index) {
        char name[32];
        std::uint32_t length = sizeof name;
        return api().RegEnumKeyEx(key, index, name, length) == kErrorSuccess
                   ? std::string(name, length)
                   : std::string("-");
    };
    EXPECT_EQ(at(5), sorted[5]);
    EXPECT_EQ(at(2), sorted[2]);
    EXPECT_EQ(at(3), sorted[3]);
    Create(key, "Beta2");
    EXPECT_EQ(at(2), "Beta2");
    EXPECT_EQ(at(7), sorted[6]);
    ASSERT_EQ(api().RegDeleteKey(key, "alpha"), kErrorSuccess);
    EXPECT_EQ(at(0), "Beta");
    EXPECT_EQ(at(7), "-");
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

std::string Repeated(std::string_view text, std::size_t times) {
    std::string repeated;
    for (std::size_t i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

const std::string kLongestTwoByte = Repeated("\xC3\xA9", 255);        // é
const std::string kLongestThreeByte = Repeated("\xE2\x82\xAC", 255);  // €
const std::string kTwoByteTooLong = Repeated("\xC3\xA9", 256);

// "L\L\...", levels deep.
std::string Levels(std::size_t levels) {
    return "L" + Repeated("\\L", levels - 1);
}

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
                 kErrorFileNotFound, ""},
        // Characters, not bytes: 255 of two or three bytes each are a name, 256 are too many.
        PathCase{"LongestNameOfTwoByteCharacters", kHkeyCurrentUser, kLongestTwoByte, 0, 0,
                 kLongestTwoByte.c_str()},
        PathCase{"LongestNameOfThreeByteCharacters", kHkeyCurrentUser, kLongestThreeByte, 0, 0,
                 kLongestThreeByte.c_str()},
        PathCase{"NameOfTwoByteCharactersTooLong", kHkeyCurrentUser, "A\\" + kTwoByteTooLong,
                 kErrorInvalidParameter, kErrorFileNotFound, ""},
        // 512 levels below a hive at most; a deeper request makes nothing at all.
        PathCase{"511Levels", kHkeyCurrentUser, Levels(511), 0, 0, "L"},
        PathCase{"512Levels", kHkeyCurrentUser, Levels(512), 0, 0, "L"},
        PathCase{"513Levels", kHkeyCurrentUser, Levels(513), kErrorNoSystemResources,
                 kErrorFileNotFound, ""},
        PathCase{"6000Levels", kHkeyCurrentUser, Levels(6000), kErrorNoSystemResources,
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

TEST_F(StoreTest, DepthCountsFromTheHiveThroughAnyHandle) {
    const Hkey deep = Create(kHkeyCurrentUser, Levels(500));
    Hkey key = 0;
    EXPECT_EQ(api().RegCreateKeyEx(deep, Levels(13), kKeyAllAccess, key), kErrorNoSystemResources);
    EXPECT_TRUE(SubkeyNames(api(), deep).empty());
    EXPECT_EQ(api().RegCreateKeyEx(deep, Levels(12), kKeyAllAccess, key), kErrorSuccess);
    EXPECT_EQ(api().RegCreateKeyEx(key, "L", kKeyAllAccess, key), kErrorNoSystemResources);
}

struct ValueNameCase {
    const char* label;
    std::string name;
    Status set;  // and then the query: the value, or none found
};

class ValueNameTest : public StoreTest, public ::testing::WithParamInterface<ValueNameCase> {};

TEST_P(ValueNameTest, AtMost16383Characters) {
    const ValueNameCase& value = GetParam();
    const Hkey key = Create(kHkeyCurrentUser, "Values");
    EXPECT_EQ(SetValue(api(), key, value.name, kRegDword, DwordBytes(1)), value.set);
    EXPECT_EQ(GetValue(api(), key, value.name).has_value(), value.set == kErrorSuccess);
    EXPECT_EQ(ValueNames(api(), key).size(), value.set == kErrorSuccess ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Names, ValueNameTest,
                         ::testing::Values(ValueNameCase{"Longest", Repeated("\xC3\xA9", 16383),
                                                         kErrorSuccess},
                                           ValueNameCase{"TooLong", Repeated("\xC3\xA9", 16384),
                                                         kErrorInvalidParameter}),
                         [](const auto& entry) { return std::string(entry.param.label); });

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

struct OneChangeCase {
    const char* label;
    std::string middle;  // a key made between the other changes
    Status status;       // its status, and so the function's
};

class OneChangeTest : public StoreTest, public ::testing::WithParamInterface<OneChangeCase> {};

TEST_P(OneChangeTest, TakesEffectWholeOrNotAtAll) {
    const OneChangeCase& change = GetParam();
    const Hkey kept = Create(kHkeyCurrentUser, "Kept");
    ASSERT_EQ(SetValue(api(), kept, "v", kRegDword, DwordBytes(1)), kErrorSuccess);
    Create(kHkeyCurrentUser, "Gone");
    const Status status = api().RunAsOneChange([&] {
        Hkey key = 0;
        Status step = api().RegCreateKeyEx(kHkeyCurrentUser, "One\\A", kKeyAllAccess, key);
        if (step == kErrorSuccess) {
            step = SetValue(api(), kept, "v", kRegDword, DwordBytes(2));
        }
        if (step == kErrorSuccess) {
            step = api().RegCreateKeyEx(kHkeyCurrentUser, change.middle, kKeyAllAccess, key);
        }
        if (step == kErrorSuccess) {
            step = api().RegDeleteKey(kHkeyCurrentUser, "Gone");
        }
        return step;
    });
    EXPECT_EQ(status, change.status);
    const bool committed = change.status == kErrorSuccess;
    // Another connection sees what was committed, and only that.
    StoreRegistryApi other(StorePath());
    for (RegistryApi* reader :
         {static_cast<RegistryApi*>(&api()), static_cast<RegistryApi*>(&other)}) {
        const std::vector<std::string> expected = committed
                                                      ? std::vector<std::string>{"Kept", "One"}
                                                      : std::vector<std::string>{"Gone", "Kept"};
        EXPECT_EQ(SubkeyNames(*reader, kHkeyCurrentUser), expected);
        Hkey key = 0;
        ASSERT_EQ(reader->RegOpenKeyEx(kHkeyCurrentUser, "Kept", kKeyRead, key), kErrorSuccess);
        EXPECT_EQ(GetValue(*reader, key, "v"),
                  (StoredValue{kRegDword, DwordBytes(committed ? 2 : 1)}));
        EXPECT_EQ(reader->RegCloseKey(key), kErrorSuccess);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, OneChangeTest,
    ::testing::Values(OneChangeCase{"Commits", "One\\B", kErrorSuccess},
                      OneChangeCase{"ARefusedNameUndoesAll", "One\\" + kTooLong,
                                    kErrorInvalidParameter},
                      OneChangeCase{"ATooDeepKeyUndoesAll", Levels(513), kErrorNoSystemResources}),
    [](const auto& entry) { return std::string(entry.param.label); });

TEST_F(StoreTest, AOneChangeInsideAnotherIsUndoneAloneWhenItFails) {
    const auto create = [this](const char* name) {
        Hkey key = 0;
        const Status status = api().RegCreateKeyEx(kHkeyCurrentUser, name, kKeyAllAccess, key);
        api().RegCloseKey(key);
        return status;
    };
    EXPECT_EQ(api().RunAsOneChange([&] {
        EXPECT_EQ(api().RunAsOneChange([&] {
            create("Inner");
            return kErrorAccessDenied;
        }),
                  kErrorAccessDenied);
        return create("Outer");
    }),
              kErrorSuccess);
    EXPECT_EQ(SubkeyNames(api(), kHkeyCurrentUser), std::vector<std::string>{"Outer"});
}

// A store as version 1 wrote it: names folded by their ASCII letters only, so that "Ärger"
// and "ärger" below Software were two keys.
const char* const kVersion1Store =
    "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER REFERENCES keys(id),"
    "    name TEXT NOT NULL, folded TEXT NOT NULL);"
    "CREATE UNIQUE INDEX keys_by_name ON keys(parent, folded);"
    "CREATE INDEX keys_in_order ON keys(parent);"
    "CREATE TABLE key_values(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "    key INTEGER NOT NULL REFERENCES keys(id), name TEXT NOT NULL, folded TEXT NOT NULL,"
    "    type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX values_by_name ON key_values(key, folded);"
    "CREATE INDEX values_in_order ON key_values(key);"
    "CREATE TABLE changes(seq INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL,"
    "    kind INTEGER NOT NULL, path TEXT NOT NULL);"
    "INSERT INTO keys VALUES (2147483648, NULL, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),"
    "    (2147483649, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
    "    (2147483650, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),"
    "    (2147483651, NULL, 'HKEY_USERS', 'HKEY_USERS'),"
    "    (2147483652, NULL, 'HKEY_PERFORMANCE_DATA', 'HKEY_PERFORMANCE_DATA'),"
    "    (2147483653, NULL, 'HKEY_CURRENT_CONFIG', 'HKEY_CURRENT_CONFIG'),"
    "    (2147483654, NULL, 'HKEY_DYN_DATA', 'HKEY_DYN_DATA'),"
    "    (2147483655, 2147483649, 'Software', 'SOFTWARE'),"
    "    (2147483656, 2147483655, '\xC3\x84rger', '\xC3\x84RGER'),"
    "    (2147483657, 2147483655, '\xC3\xA4rger', '\xC3\xA4RGER'),"
    "    (2147483658, 2147483657, 'Child', 'CHILD');"
    "INSERT INTO key_values(key, name, folded, type, data) VALUES"
    "    (2147483656, 'Mood', 'MOOD', 4, x'01000000'),"
    "    (2147483657, 'mood', 'MOOD', 4, x'02000000'),"
    "    (2147483657, 'Other', 'OTHER', 4, x'03000000');"
    "INSERT INTO changes(key, kind, path) VALUES (2147483655, 1, '/2147483649/2147483655/');"
    "PRAGMA application_id=1447385170;"
    "PRAGMA user_version=1;";

TEST(StoreMigrationTest, AVersion1StoreOpensWithItsKeysUnderTodaysNames) {
    TempFolder folder;
    const std::string path = folder / "registry.db";
    {
        common::sqlite::Database database;
        ASSERT_EQ(
            common::sqlite::Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, {}, database),
            SQLITE_OK);
        ASSERT_EQ(common::sqlite::Execute(database.get(), kVersion1Store), SQLITE_OK);
    }
    StoreRegistryApi api(path);
    ASSERT_EQ(api.OpenStatus(), kErrorSuccess);
    Hkey software = 0;
    ASSERT_EQ(api.RegOpenKeyEx(kHkeyCurrentUser, "SOFTWARE", kKeyAllAccess, software),
              kErrorSuccess);
    // The two keys are one now: the first made keeps its name and its value of the shared
    // name; the other's subkeys and other values join it.
    EXPECT_EQ(SubkeyNames(api, software), std::vector<std::string>{"\xC3\x84rger"});
    Hkey merged = 0;
    ASSERT_EQ(api.RegOpenKeyEx(software, "\xC3\xA4RGER", kKeyAllAccess, merged), kErrorSuccess);
    EXPECT_EQ(ValueNames(api, merged), (std::vector<std::string>{"Mood", "Other"}));
    EXPECT_EQ(GetValue(api, merged, "MOOD"), (StoredValue{kRegDword, DwordBytes(1)}));
    EXPECT_EQ(SubkeyNames(api, merged), std::vector<std::string>{"Child"});
    // The store goes on as one of today's.
    Hkey zebra = 0;
    ASSERT_EQ(api.RegCreateKeyEx(software, "Zebra", kKeyAllAccess, zebra), kErrorSuccess);
    EXPECT_EQ(SubkeyNames(api, software), (std::vector<std::string>{"Zebra", "\xC3\x84rger"}));
    StoreRegistryApi again(path);
    ASSERT_EQ(again.OpenStatus(), kErrorSuccess);
    Hkey child = 0;
    EXPECT_EQ(
        again.RegOpenKeyEx(kHkeyCurrentUser, "software\\\xC3\xA4rger\\child", kKeyRead, child),
        kErrorSuccess);
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
