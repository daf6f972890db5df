#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tools/vexo/reg_test_support.h"
#include "tools/vexo/command.h"
#include "tools/vexo/reg_query.h"

namespace vexo::cli::test {
namespace {

using namespace std::string_literals;
using registry::kHkeyCurrentUser;
using registry::kHkeyLocalMachine;
using testing::HasSubstr;

constexpr std::string_view kSuccess = "The operation completed successfully.\n";
constexpr std::string_view kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

// --- Arguments ----------------------------------------------------------------------------

struct ArgumentCase {
    std::vector<std::string_view> args;
    std::string errContains;

    friend void PrintTo(const ArgumentCase& c, std::ostream* os) {
        for (std::string_view arg : c.args) {
            *os << arg << ' ';
        }
    }
};

class RegArgumentTest : public RegStoreTest, public testing::WithParamInterface<ArgumentCase> {};

TEST_P(RegArgumentTest, BadArgumentsPrintUsageAndExitWithOne) {
    const RegRun run = Reg(GetParam().args);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(GetParam().errContains));
    EXPECT_THAT(run.err, HasSubstr("Usage: vexo reg"));
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, "Software\\T"));
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, RegArgumentTest,
    testing::Values(
        ArgumentCase{{}, "No operation given"},
        ArgumentCase{{"copy", "HKCU\\Software\\T"}, "Unknown operation \"copy\""},
        ArgumentCase{{"add"}, "KEY is missing"},
        ArgumentCase{{"add", "/f", "HKCU\\Software\\T"}, "KEY must come first"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "extra"}, "Unexpected argument \"extra\""},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/v"}, "/v needs a value"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/v", "a", "/v", "b"}, "/v is given twice"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/f", "/F"}, "/F is given twice"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/v", "a", "/ve"}, "Use only one of /v, /ve"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/va"}, "Unknown switch \"/va\""},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/"}, "Unknown switch \"/\""},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_QWORD", "/d", "1"},
                     "\"REG_QWORD\" is not supported"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_DWORD"}, "/d needs a number"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_DWORD", "/d", "-1"}, "number"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_DWORD", "/d", "4294967296"}, "number"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_DWORD", "/d", "0x1ffffffff"},
                     "number"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_DWORD", "/d", "deadbeef"}, "number"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_DWORD", "/d", "00x12"}, "number"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_DWORD", "/d", "0x"}, "number"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_DWORD", "/d", "12 "}, "number"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_BINARY", "/d", "0xdead"},
                     "hex digits"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_BINARY", "/d", "+1"}, "hex digits"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_MULTI_SZ", "/d", "a\\0\\0b"},
                     "empty string"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_MULTI_SZ", "/d", "\\0a"},
                     "empty string"},
        ArgumentCase{{"add", "HKCU\\Software\\T", "/t", "REG_MULTI_SZ", "/s", "##", "/d", "a"},
                     "/s takes one character"},
        ArgumentCase{{"query", "HKCU\\Software\\T", "/s", "/s"}, "/s is given twice"},
        ArgumentCase{{"query", "HKCU\\Software\\T", "/f"}, "Unknown switch \"/f\""},
        ArgumentCase{{"delete", "HKCU\\Software\\T", "/ve", "/va"}, "Use only one of"},
        ArgumentCase{{"export", "HKCU\\Software\\T"}, "FILE is missing"},
        ArgumentCase{{"export", "HKCU\\Software\\T", "a.reg", "b.reg"}, "Unexpected argument"},
        ArgumentCase{{"import"}, "FILE is missing"},
        ArgumentCase{{"import", "a.reg", "b.reg"}, "Unexpected argument"}));

TEST_F(RegStoreTest, KeysThatNameNoRootKeyAreRefused) {
    for (std::string_view key : {"HKEY_NOWHERE\\Software", "HKCU\\", "HKCU\\a\\\\",
                                 "\\\\pc\\HKCU\\a", "HKCU\\a\\\\b", "Software\\Vexo"}) {
        const RegRun run = Reg({"add", key, "/f"});
        EXPECT_EQ(run.status, kExitFailed) << key;
        EXPECT_THAT(run.err, HasSubstr("ERROR: Invalid key name.")) << key;
    }
}

TEST_F(RegStoreTest, HelpIsNoFailure) {
    const RegRun all = Reg({"/?"});
    EXPECT_EQ(all.status, kExitOk);
    EXPECT_THAT(all.out, HasSubstr("vexo reg export KEY FILE [/y]"));
    const RegRun add = Reg({"ADD", "/?"});
    EXPECT_EQ(add.status, kExitOk);
    EXPECT_THAT(add.out, HasSubstr("Usage: vexo reg add KEY"));
}

// --- add ----------------------------------------------------------------------------------

struct AddCase {
    std::vector<std::string_view> switches;  // after "add HKCU\Software\T"
    std::string name;
    std::uint32_t type;
    std::string data;
    std::string queryLine;  // as query shows the value

    friend void PrintTo(const AddCase& c, std::ostream* os) {
        for (std::string_view arg : c.switches) {
            *os << arg << ' ';
        }
    }
};

class RegAddTest : public RegStoreTest, public testing::WithParamInterface<AddCase> {};

TEST_P(RegAddTest, StoresTheDataAndQueryShowsThemAsRegExeDoes) {
    const AddCase& c = GetParam();
    std::vector<std::string_view> args = {"add", "HKCU\\Software\\T"};
    args.insert(args.end(), c.switches.begin(), c.switches.end());
    const RegRun added = Reg(args);
    ASSERT_EQ(added.status, kExitOk) << added.err;
    EXPECT_EQ(added.out, kSuccess);

    const std::optional<regfile::ValueEntry> value = Get(kHkeyCurrentUser, "Software\\T", c.name);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(value->data, ToBytes(c.data));

    const RegRun query = Reg(
        c.name.empty() ? std::vector<std::string_view>{"query", "hkcu\\Software\\T", "/ve"}
                       : std::vector<std::string_view>{"query", "hkcu\\Software\\T", "/v", c.name});
    EXPECT_EQ(query.status, kExitOk) << query.err;
    EXPECT_EQ(query.out, "\nHKEY_CURRENT_USER\\Software\\T\n" + c.queryLine + "\n\n");
}

INSTANTIATE_TEST_SUITE_P(
    Types, RegAddTest,
    testing::Values(
        AddCase{{"/v", "Name", "/d", "Hello, World"},
                "Name",
                1,
                "Hello, World\0"s,
                "    Name    REG_SZ    Hello, World"},
        // Without /v or /ve reg.exe sets the default value, empty without /d.
        AddCase{{}, "", 1, "\0"s, "    (Default)    REG_SZ    "},
        AddCase{{"/d", "text"}, "", 1, "text\0"s, "    (Default)    REG_SZ    text"},
        AddCase{{"/ve", "/t", "reg_expand_sz", "/d", "%ProgramFiles%\\x"},
                "",
                2,
                "%ProgramFiles%\\x\0"s,
                "    (Default)    REG_EXPAND_SZ    %ProgramFiles%\\x"},
        AddCase{{"/v", "a\\b", "/d", "foo\\0bar"},
                "a\\b",
                1,
                "foo\\0bar\0"s,
                "    a\\b    REG_SZ    foo\\0bar"},
        AddCase{{"/v", "D", "/t", "REG_DWORD", "/d", "0123"},
                "D",
                4,
                "\x7b\0\0\0"s,
                "    D    REG_DWORD    0x7b"},
        AddCase{{"/v", "D", "/t", "REG_DWORD", "/d", "0XFFFFFFFF"},
                "D",
                4,
                "\xff\xff\xff\xff"s,
                "    D    REG_DWORD    0xffffffff"},
        AddCase{{"/v", "B", "/t", "REG_BINARY", "/d", "DeAdBeEf0DD"},
                "B",
                3,
                "\x0d\xea\xdb\xee\xf0\xdd"s,
                "    B    REG_BINARY    0DEADBEEF0DD"},
        AddCase{{"/v", "B", "/t", "REG_BINARY"}, "B", 3, "", "    B    REG_BINARY    "},
        AddCase{{"/v", "M", "/t", "REG_MULTI_SZ", "/d", "three\\0little\\0strings"},
                "M",
                7,
                "three\0little\0strings\0\0"s,
                "    M    REG_MULTI_SZ    three\\0little\\0strings"},
        AddCase{{"/v", "M", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "a#b\\0c#"},
                "M",
                7,
                "a\0b\\0c\0\0"s,
                "    M    REG_MULTI_SZ    a\\0b\\0c"},
        AddCase{{"/v", "M", "/t", "REG_MULTI_SZ"}, "M", 7, "\0"s, "    M    REG_MULTI_SZ    "},
        AddCase{{"/v", "M", "/t", "REG_MULTI_SZ", "/d", "\\0"},
                "M",
                7,
                "\0\0"s,
                "    M    REG_MULTI_SZ    "}));

TEST_F(RegStoreTest, AddReplacesAnExistingValueOnlyWithF) {
    ASSERT_EQ(Reg({"add", "HKLM\\SOFTWARE\\T", "/v", "x", "/d", "old"}).status, kExitOk);

    const RegRun refused =
        Reg({"add", "HKLM\\SOFTWARE\\T", "/v", "X", "/t", "REG_DWORD", "/d", "1"});
    EXPECT_EQ(refused.status, kExitFailed);
    EXPECT_THAT(refused.err, HasSubstr("\"X\" exists already. Add /f"));
    EXPECT_EQ(Get(kHkeyLocalMachine, "SOFTWARE\\T", "x").value().data, ToBytes("old\0"s));

    ASSERT_EQ(
        Reg({"add", "HKLM\\SOFTWARE\\T", "/v", "X", "/t", "REG_DWORD", "/d", "1", "/f"}).status,
        kExitOk);
    EXPECT_EQ(Get(kHkeyLocalMachine, "SOFTWARE\\T", "x").value().type, registry::kRegDword);

    // The default value is a value like any other: the second bare add needs /f.
    ASSERT_EQ(Reg({"add", "HKLM\\SOFTWARE\\T"}).status, kExitOk);
    EXPECT_THAT(Reg({"add", "HKLM\\SOFTWARE\\T"}).err, HasSubstr("\"(Default)\" exists already"));
}

struct LimitCase {
    const char* label;
    std::string key;
    std::string valueName;  // with /v when not empty
    std::string_view error;
};

class RegLimitTest : public RegStoreTest, public testing::WithParamInterface<LimitCase> {};

TEST_P(RegLimitTest, AddRefusesWhatTheRegistryCannotHoldWithRegExesMessage) {
    const LimitCase& limit = GetParam();
    std::vector<std::string_view> args = {"add", limit.key, "/f"};
    if (!limit.valueName.empty()) {
        args.insert(args.end(), {"/v", limit.valueName});
    }
    const RegRun run = Reg(args);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, limit.error);
    // A key too deep or too long makes nothing; a value's key is made before its value fails.
    EXPECT_EQ(KeyExists(kHkeyCurrentUser, "Software\\Deep"), !limit.valueName.empty());
}

std::string DeepKey(std::size_t levels) {
    std::string key = "HKCU\\Software\\Deep";
    for (std::size_t level = 2; level < levels; ++level) {
        key += "\\k";
    }
    return key;
}

constexpr std::string_view kTooDeep =
    "ERROR: Insufficient system resources exist to complete the requested service.\n";
constexpr std::string_view kIncorrect = "ERROR: The parameter is incorrect.\n";

INSTANTIATE_TEST_SUITE_P(
    Limits, RegLimitTest,
    testing::Values(LimitCase{"KeyOf513Levels", DeepKey(513), "", kTooDeep},
                    LimitCase{"KeyOf6000Levels", DeepKey(6000), "", kTooDeep},
                    LimitCase{"KeyNameOf256Characters",
                              "HKCU\\Software\\Deep\\" + std::string(256, 'k'), "", kIncorrect},
                    LimitCase{"ValueNameOf16384Characters", "HKCU\\Software\\Deep",
                              std::string(16384, 'v'), kIncorrect}),
    [](const auto& entry) { return std::string(entry.param.label); });

// --- query --------------------------------------------------------------------------------

class RegQueryTest : public RegStoreTest {
  protected:
    void SetUp() override {
        RegStoreTest::SetUp();
        Set(kHkeyCurrentUser, "Software\\T", "Test1", registry::kRegSz, "Hello, World\0"s);
        Set(kHkeyCurrentUser, "Software\\T", "Test2", registry::kRegDword, "\x23\x01\0\0"s);
        Set(kHkeyCurrentUser, "Software\\T\\subkey", "Test3", registry::kRegBinary, "\x01\xab"s);
        Set(kHkeyCurrentUser, "Software\\T\\subkey", "", registry::kRegNone, "");
        Set(kHkeyCurrentUser, "Software\\T\\subkey\\deeper", "Test2", 0x100, "\x01"s);
        Set(kHkeyCurrentUser, "Software\\T\\empty", "", registry::kRegMultiSz, "\0"s);
        OpenedKey bare(api());
        ASSERT_EQ(bare.Create(kHkeyCurrentUser, "Software\\T\\bare", registry::kKeyWrite), 0);
    }
};

TEST_F(RegQueryTest, ListsValuesThenSubkeys) {
    const RegRun run = Reg({"query", "HKEY_CURRENT_USER\\Software\\T\\"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "\n"
              "HKEY_CURRENT_USER\\Software\\T\n"
              "    Test1    REG_SZ    Hello, World\n"
              "    Test2    REG_DWORD    0x123\n"
              "\n"
              "HKEY_CURRENT_USER\\Software\\T\\bare\n"
              "HKEY_CURRENT_USER\\Software\\T\\empty\n"
              "HKEY_CURRENT_USER\\Software\\T\\subkey\n");
    EXPECT_EQ(Reg({"query", "HKCU\\Software\\T\\bare"}).out, "\n");
}

TEST_F(RegQueryTest, WithSListsEveryKeyBelow) {
    const RegRun run = Reg({"query", "HKCU\\Software\\T", "/s"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out,
              "\n"
              "HKEY_CURRENT_USER\\Software\\T\n"
              "    Test1    REG_SZ    Hello, World\n"
              "    Test2    REG_DWORD    0x123\n"
              "\n"
              "HKEY_CURRENT_USER\\Software\\T\\bare\n"
              "\n"
              "HKEY_CURRENT_USER\\Software\\T\\empty\n"
              "    (Default)    REG_MULTI_SZ    \n"
              "\n"
              "HKEY_CURRENT_USER\\Software\\T\\subkey\n"
              "    Test3    REG_BINARY    01AB\n"
              "    (Default)    REG_NONE    \n"
              "\n"
              "HKEY_CURRENT_USER\\Software\\T\\subkey\\deeper\n"
              "    Test2    0x100    01\n"
              "\n");
}

TEST_F(RegQueryTest, ValueSearchWithSCountsTheMatches) {
    // Like reg.exe, the search shows the value's name as it was asked for.
    const RegRun run = Reg({"query", "HKCU\\Software\\T", "/v", "test2", "/s"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out,
              "\n"
              "HKEY_CURRENT_USER\\Software\\T\n"
              "    test2    REG_DWORD    0x123\n"
              "\n"
              "HKEY_CURRENT_USER\\Software\\T\\subkey\\deeper\n"
              "    test2    0x100    01\n"
              "\n"
              "End of search: 2 match(es) found.\n");
}

TEST_F(RegQueryTest, MissingKeysAndValuesAreErrorsButAnUnsetDefaultIsShown) {
    for (const std::vector<std::string_view>& args :
         {std::vector<std::string_view>{"query", "HKCU\\Software\\Missing"},
          std::vector<std::string_view>{"query", "HKCU\\Software\\T", "/v", "Missing"},
          std::vector<std::string_view>{"query", "HKLM\\Software\\T", "/s"}}) {
        const RegRun run = Reg(args);
        EXPECT_EQ(run.status, kExitFailed);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, kNotFound);
    }
    const RegRun unset = Reg({"query", "HKCU\\Software\\T", "/ve"});
    EXPECT_EQ(unset.status, kExitOk);
    EXPECT_EQ(unset.out,
              "\nHKEY_CURRENT_USER\\Software\\T\n    (Default)    REG_SZ    (value not set)\n\n");
}

TEST(RegDataText, ShowsDataAsRegExeDoes) {
    EXPECT_EQ(RegDataText(registry::kRegSz, ToBytes("cut\0here"s)), "cut");
    EXPECT_EQ(RegDataText(registry::kRegSz, ToBytes("no NUL")), "no NUL");
    EXPECT_EQ(RegDataText(registry::kRegMultiSz, ToBytes("a\0\0b\0\0"s)), "a\\0\\0b");
    EXPECT_EQ(RegDataText(registry::kRegDword, ToBytes("\1\2"s)), "0102");
    EXPECT_EQ(RegDataText(registry::kRegDwordBigEndian, ToBytes("\0\0\0\1"s)), "0x1000000");
    EXPECT_EQ(RegDataText(11, ToBytes("\xef\xcd\xab\x89\x67\x45\x23\x01"s)), "0x123456789abcdef");
    EXPECT_EQ(RegTypeName(11), "REG_QWORD");
    EXPECT_EQ(RegTypeName(12), "0xc");
}

// --- delete -------------------------------------------------------------------------------

class RegDeleteTest : public RegStoreTest {
  protected:
    void SetUp() override {
        RegStoreTest::SetUp();
        Set(kHkeyCurrentUser, "Software\\T", "foo", registry::kRegSz, "1\0"s);
        Set(kHkeyCurrentUser, "Software\\T", "bar", registry::kRegSz, "2\0"s);
        Set(kHkeyCurrentUser, "Software\\T", "", registry::kRegSz, "3\0"s);
        Set(kHkeyCurrentUser, "Software\\T\\a\\b\\c", "deep", registry::kRegSz, "4\0"s);
        Set(kHkeyCurrentUser, "Software\\T\\a\\d", "x", registry::kRegSz, "5\0"s);
    }
};

TEST_F(RegDeleteTest, NothingIsDeletedWithoutF) {
    for (const std::vector<std::string_view>& args :
         {std::vector<std::string_view>{"delete", "HKCU\\Software\\T"},
          std::vector<std::string_view>{"delete", "HKCU\\Software\\T", "/va"},
          std::vector<std::string_view>{"delete", "HKCU\\Software\\T", "/v", "foo"}}) {
        const RegRun run = Reg(args);
        EXPECT_EQ(run.status, kExitFailed);
        EXPECT_THAT(run.err, HasSubstr("Add /f to delete"));
    }
    EXPECT_TRUE(Get(kHkeyCurrentUser, "Software\\T", "foo"));
    EXPECT_TRUE(KeyExists(kHkeyCurrentUser, "Software\\T\\a\\b\\c"));
}

TEST_F(RegDeleteTest, DeletesAValueTheDefaultValueAllValuesOrTheWholeTree) {
    EXPECT_EQ(Reg({"delete", "HKCU\\Software\\T", "/v", "BAR", "/f"}).out, kSuccess);
    EXPECT_FALSE(Get(kHkeyCurrentUser, "Software\\T", "bar"));
    EXPECT_TRUE(Get(kHkeyCurrentUser, "Software\\T", "foo"));

    EXPECT_EQ(Reg({"delete", "HKCU\\Software\\T", "/ve", "/f"}).status, kExitOk);
    EXPECT_FALSE(Get(kHkeyCurrentUser, "Software\\T", ""));
    EXPECT_EQ(Reg({"delete", "HKCU\\Software\\T", "/ve", "/f"}).err, kNotFound);

    Set(kHkeyCurrentUser, "Software\\T", "baz", registry::kRegSz, "6\0"s);
    EXPECT_EQ(Reg({"delete", "HKCU\\Software\\T", "/va", "/f"}).status, kExitOk);
    const regfile::RegDocument tree = Tree(kHkeyCurrentUser, "Software\\T");
    ASSERT_FALSE(tree.sections.empty());
    EXPECT_TRUE(tree.sections.front().values.empty());
    EXPECT_TRUE(Get(kHkeyCurrentUser, "Software\\T\\a\\d", "x"));

    EXPECT_EQ(Reg({"delete", "HKCU\\Software\\T", "/f"}).out, kSuccess);
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, "Software\\T"));
    EXPECT_TRUE(KeyExists(kHkeyCurrentUser, "Software"));
}

TEST_F(RegDeleteTest, MissingThingsAndRootKeysAreErrors) {
    const RegRun missingKey = Reg({"delete", "HKCU\\Software\\Missing", "/f"});
    EXPECT_EQ(missingKey.status, kExitFailed);
    EXPECT_EQ(missingKey.err, kNotFound);
    EXPECT_EQ(Reg({"delete", "HKCU\\Software\\T", "/v", "missing", "/f"}).err, kNotFound);
    EXPECT_EQ(Reg({"delete", "HKCU\\Software\\Missing", "/va", "/f"}).err, kNotFound);

    const RegRun root = Reg({"delete", "HKCU", "/f"});
    EXPECT_EQ(root.status, kExitFailed);
    EXPECT_THAT(root.err, HasSubstr("root key cannot be deleted"));
    EXPECT_TRUE(KeyExists(kHkeyCurrentUser, "Software\\T"));
}

}  // namespace
}  // namespace vexo::cli::test
