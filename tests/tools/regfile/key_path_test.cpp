#include "tools/regfile/key_path.h"

#include <gtest/gtest.h>

namespace regfile::test {
namespace {

struct KeyPathCase {
    std::string text;
    std::optional<KeyPath> path;

    friend void PrintTo(const KeyPathCase& c, std::ostream* os) { *os << c.text; }
};

class ParseKeyPathTest : public testing::TestWithParam<KeyPathCase> {};

TEST_P(ParseKeyPathTest, ReadsRootAndLevels) {
    EXPECT_EQ(ParseKeyPath(GetParam().text), GetParam().path) << GetParam().text;
}

using registry::kHkeyClassesRoot;
using registry::kHkeyCurrentConfig;
using registry::kHkeyCurrentUser;
using registry::kHkeyLocalMachine;
using registry::kHkeyUsers;

INSTANTIATE_TEST_SUITE_P(
    Names, ParseKeyPathTest,
    testing::Values(
        KeyPathCase{"HKLM\\SOFTWARE\\Vexo", KeyPath{kHkeyLocalMachine, "SOFTWARE\\Vexo"}},
        KeyPathCase{"hkey_local_machine\\Software", KeyPath{kHkeyLocalMachine, "Software"}},
        KeyPathCase{"HKCU", KeyPath{kHkeyCurrentUser, ""}},
        KeyPathCase{"HKCR\\.mp4\\", KeyPath{kHkeyClassesRoot, ".mp4"}},
        KeyPathCase{"HKCC\\System\\", KeyPath{kHkeyCurrentConfig, "System"}},
        KeyPathCase{"HKEY_CURRENT_CONFIG", KeyPath{kHkeyCurrentConfig, ""}},
        KeyPathCase{"HKU\\.DEFAULT\\\\", std::nullopt},
        KeyPathCase{"HKEY_CURRENT_USER\\", std::nullopt},
        KeyPathCase{"HKLM\\a/b\\c d", KeyPath{kHkeyLocalMachine, "a/b\\c d"}},
        KeyPathCase{"HKLM\\\\Software", std::nullopt}, KeyPathCase{"HKLM\\a\\\\b", std::nullopt},
        KeyPathCase{"\\\\machine\\HKLM\\Software", std::nullopt},
        KeyPathCase{"HKEY_DYN_DATA\\x", std::nullopt}, KeyPathCase{"HKLMX\\Software", std::nullopt},
        KeyPathCase{" HKLM", std::nullopt}, KeyPathCase{"", std::nullopt}));

TEST(FullKeyName, UsesTheRootsFullName) {
    EXPECT_EQ(FullKeyName(kHkeyLocalMachine, "SOFTWARE\\Vexo"),
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vexo");
    EXPECT_EQ(FullKeyName(kHkeyUsers, ""), "HKEY_USERS");
    EXPECT_EQ(HiveName(registry::kHkeyPerformanceData), "");
}

}  // namespace
}  // namespace regfile::test
