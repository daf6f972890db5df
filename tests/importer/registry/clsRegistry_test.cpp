// clsRegistry's values, existence tests, writes and deletes, on every registry backend.
#include "importer/registry/clsRegistry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "tests/importer/registry/registry_backends.h"

namespace registry::testing {
namespace {

using namespace std::string_literals;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

std::string Dword(std::uint32_t raw) {
    const auto bytes = common::Le32Bytes(raw);
    return {bytes.begin(), bytes.end()};
}

template <typename Backend>
class Values : public clsRegistryBehaviour<Backend> {};
TYPED_TEST_SUITE(Values, RegistryBackends, BackendNames);

// ---- ReadString --------------------------------------------------------------------------

struct ReadStringCase {
    const char* what;
    std::uint32_t type;
    std::string stored;
    std::string expected;
};

TYPED_TEST(Values, ReadStringTurnsEachTypeIntoText) {
    const std::string fits(1023, 'x');
    const std::string tooLong(1024, 'x');
    const std::vector<ReadStringCase> cases = {
        {"text", kRegSz, "hello\0"s, "hello"},
        {"1023 characters fill the 1024 bytes", kRegSz, fits + '\0', fits},
        {"1024 characters do not fit", kRegSz, tooLong + '\0', "default"},
        {"data of 0 bytes", kRegSz, "", ""},
        {"multi-string keeps a NUL after each string", kRegMultiSz, "a\0b\0\0"s, "a\0b\0"s},
        {"expandable text is expanded", kRegExpandSz, "%SystemRoot%\\win.ini\0"s,
         "C:\\Windows\\win.ini"},
        {"an undefined reference stays", kRegExpandSz, "%NoSuchName%\0"s, "%NoSuchName%"},
        {"empty expandable text", kRegExpandSz, "\0"s, ""},
        {"binary bytes, NULs included", kRegBinary, "\x01\0\xFF"s, "\x01\0\xFF"s},
        {"DWORD as decimal", kRegDword, Dword(300), "300"},
        {"negative DWORD", kRegDword, Dword(0xFFFFFFFB), "-5"},
        {"big-endian DWORD is not swapped", kRegDwordBigEndian, "\0\0\x01\x2C"s, "738263040"},
        {"REG_NONE", kRegNone, "abc\0"s, "default"},
        {"REG_LINK", kRegLink, "abc\0"s, "default"},
        {"a type without a name", 11, Dword(1) + Dword(0), "default"},
    };
    for (const auto& c : cases) {
        PutValue(this->api(), kHive, kKey, "Value", c.type, c.stored);
        EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Value", "default"), c.expected) << c.what;
    }
}

TYPED_TEST(Values, ReadStringDropsTheLastByteNulOrNot) {
    PutValue(this->api(), kHive, kKey, "Value", kRegSz, "abc");
    // Windows' ANSI functions give such a text back with the NUL it was written without.
    const auto stored = GetValue(this->api(), kHive, kKey, "Value");
    ASSERT_TRUE(stored.has_value());
    ASSERT_TRUE(stored->bytes == "abc" || stored->bytes == "abc\0"s) << stored->bytes;
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Value", "default"),
              stored->bytes.substr(0, stored->bytes.size() - 1));
}

TYPED_TEST(Values, ReadStringGivesTheDefaultForWhatIsMissing) {
    PutKey(this->api(), kHive, kKey);
    EXPECT_EQ(this->reg().ReadString(kHive, "Software\\No Such Key", "Value", "d"), "d");
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Missing", "d"), "d");
    EXPECT_EQ(this->reg().ReadString(0x12345678, kKey, "Value", "d"), "d") << "not a hive";
}

TYPED_TEST(Values, NamesCompareWithoutRegardToCase) {
    PutValue(this->api(), kHive, kKey, "MixedCase", kRegSz, "yes\0"s);
    EXPECT_EQ(this->reg().ReadString(kHive, "SOFTWARE\\vexo tests\\REGISTRY", "mixedcase", ""),
              "yes");
}

TYPED_TEST(Values, EmptyNameIsTheDefaultValue) {
    PutValue(this->api(), kHive, kKey, "", kRegSz, "unnamed\0"s);
    EXPECT_TRUE(this->reg().ValueExists(kHive, kKey, ""));
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "", "d"), "unnamed");
}

// ---- ReadLong and ReadBoolean ------------------------------------------------------------

struct ReadLongCase {
    const char* what;
    std::optional<std::uint32_t> type;  // none: the value is missing
    std::string stored;
    std::int32_t defaultValue;
    std::int32_t minimum;
    std::int32_t maximum;
    std::optional<std::int32_t> expected;  // none: the overflow
};

TYPED_TEST(Values, ReadLongLimitsDwordsButNotTexts) {
    const std::vector<ReadLongCase> cases = {
        {"missing value: default, limited", std::nullopt, "", 5, 0, 1, 1},
        {"DWORD limited to the range", kRegDword, Dword(300), 0, 0, 100, 100},
        {"reversed range is swapped", kRegDword, Dword(300), 0, 100, 0, 100},
        {"negative DWORD", kRegDword, Dword(0xFFFFFFFF), 0, kMin, kMax, -1},
        {"big-endian read as it lies", kRegDwordBigEndian, "\0\0\0\x01"s, 0, kMin, kMax, 16777216},
        {"text is not limited", kRegSz, "12abc\0"s, 0, 0, 1, 12},
        {"expandable text", kRegExpandSz, "42\0"s, 0, 0, 1, 42},
        {"multi-string", kRegMultiSz, "7\0\0"s, 0, 0, 1, 7},
        {"text rounds halves to even", kRegSz, "2.5\0"s, 0, kMin, kMax, 2},
        {"text rounds halves to even, up", kRegSz, "3.5\0"s, 0, kMin, kMax, 4},
        {"text that is no number", kRegSz, "abc\0"s, 9, 5, 10, 0},
        {"text too long for ReadString reads as empty", kRegSz, std::string(1500, '7') + '\0', 9, 5,
         10, 0},
        {"binary is 0, limited", kRegBinary, "\x05"s, 9, 10, 20, 10},
        {"binary is 0 inside the range", kRegBinary, "\x05"s, 9, -5, 5, 0},
        {"REG_NONE is 0, limited", kRegNone, "", 9, 3, 4, 3},
        {"text beyond the 32-bit range overflows", kRegSz, "99999999999\0"s, 0, 0, 1, std::nullopt},
        {"negative text beyond the range", kRegSz, "-2147483649\0"s, 0, 0, 1, std::nullopt},
        {"text at the lowest number", kRegSz, "-2147483648\0"s, 0, 0, 1, kMin},
    };
    for (const auto& c : cases) {
        this->reg().DeleteValue(kHive, kKey, "Number");
        PutKey(this->api(), kHive, kKey);
        if (c.type) {
            PutValue(this->api(), kHive, kKey, "Number", *c.type, c.stored);
        }
        EXPECT_EQ(this->reg().ReadLong(kHive, kKey, "Number", c.defaultValue, c.minimum, c.maximum),
                  c.expected)
            << c.what;
    }
}

TYPED_TEST(Values, ReadLongOfAMissingKeyGivesTheDefaultAsPassed) {
    EXPECT_EQ(this->reg().ReadLong(kHive, "Software\\No Such Key", "Number", 5, 0, 1), 5);
    EXPECT_EQ(this->reg().ReadLong(kHive, "Software\\No Such Key", "Number", -9, 1, 0), -9);
}

TYPED_TEST(Values, ReadBooleanIsTrueOnlyForOneAfterLimiting) {
    const std::vector<std::pair<std::int32_t, bool>> dwords = {
        {1, true}, {2, true}, {0, false}, {-1, false}};
    for (const auto& [stored, expected] : dwords) {
        PutDword(this->api(), kHive, kKey, "Flag", stored);
        EXPECT_EQ(this->reg().ReadBoolean(kHive, kKey, "Flag", 0), expected) << stored;
    }
    EXPECT_EQ(this->reg().ReadBoolean(kHive, "Software\\No Such Key", "Flag", 1), true);
    EXPECT_EQ(this->reg().ReadBoolean(kHive, "Software\\No Such Key", "Flag", 5), false)
        << "a default that is not 1 is not limited when the key is missing";
    EXPECT_EQ(this->reg().ReadBoolean(kHive, kKey, "Missing", 5), true)
        << "limited to 1 when the key exists";
    PutValue(this->api(), kHive, kKey, "Flag", kRegSz, "1e20\0"s);
    EXPECT_EQ(this->reg().ReadBoolean(kHive, kKey, "Flag", 0), std::nullopt);
}

// ---- ReadBinary --------------------------------------------------------------------------

TYPED_TEST(Values, ReadBinaryReadsOnlyBinaryValuesWithData) {
    PutValue(this->api(), kHive, kKey, "Bytes", kRegBinary, "\x01\0\x03"s);
    PutValue(this->api(), kHive, kKey, "Empty", kRegBinary, "");
    PutValue(this->api(), kHive, kKey, "Text", kRegSz, "abc\0"s);

    std::vector<std::uint8_t> bytes = {9};
    std::int32_t size = -1;
    EXPECT_TRUE(this->reg().ReadBinary(kHive, kKey, "Bytes", bytes, size));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 0, 3}));
    EXPECT_EQ(size, 3);

    bytes = {9};
    EXPECT_FALSE(this->reg().ReadBinary(kHive, kKey, "Empty", bytes, size));
    EXPECT_EQ(size, 0);
    EXPECT_FALSE(this->reg().ReadBinary(kHive, kKey, "Text", bytes, size));
    EXPECT_EQ(size, 4) << "the size reported for the text";
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{9}) << "left as it was";

    size = -1;
    EXPECT_FALSE(this->reg().ReadBinary(kHive, kKey, "Missing", bytes, size));
    EXPECT_FALSE(this->reg().ReadBinary(kHive, "Software\\No Such Key", "Bytes", bytes, size));
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{9});
}

// ---- Writing -----------------------------------------------------------------------------

TYPED_TEST(Values, WritesStoreTheirLayouts) {
    auto& reg = this->reg();
    const std::vector<std::string> two = {"a", "b"};
    const std::vector<std::uint8_t> bytes = {1, 2, 3};

    EXPECT_TRUE(reg.WriteString(kHive, kKey, "Text", "abc"));
    EXPECT_TRUE(reg.WriteString(kHive, kKey, "Empty", ""));
    EXPECT_TRUE(reg.WriteExpandString(kHive, kKey, "Expand", "%SystemRoot%"));
    EXPECT_TRUE(reg.WriteMultiString(kHive, kKey, "Multi", two));
    EXPECT_TRUE(reg.WriteMultiString(kHive, kKey, "NoStrings", std::vector<std::string>{}));
    EXPECT_TRUE(reg.WriteBinary(kHive, kKey, "Binary", bytes, 2));
    EXPECT_TRUE(reg.WriteBinary(kHive, kKey, "NoBytes", bytes, 0));
    EXPECT_TRUE(reg.WriteLong(kHive, kKey, "Swapped", 50, 10, 0));
    EXPECT_TRUE(reg.WriteLong(kHive, kKey, "Negative", -7, kMin, kMax));
    EXPECT_TRUE(reg.WriteBoolean(kHive, kKey, "True", -3));
    EXPECT_TRUE(reg.WriteBoolean(kHive, kKey, "False", 0));

    const std::vector<std::pair<const char*, StoredValue>> expected = {
        {"Text", {kRegSz, "abc\0"s}},
        {"Empty", {kRegSz, "\0"s}},
        {"Expand", {kRegExpandSz, "%SystemRoot%\0"s}},
        {"Multi", {kRegMultiSz, "a\0b\0\0"s}},
        {"NoStrings", {kRegMultiSz, "\0"s}},
        {"Binary", {kRegBinary, "\x01\x02"s}},
        {"NoBytes", {kRegBinary, ""}},
        {"Swapped", {kRegDword, Dword(10)}},
        {"Negative", {kRegDword, Dword(0xFFFFFFF9)}},
        {"True", {kRegDword, Dword(1)}},
        {"False", {kRegDword, Dword(0)}},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(GetValue(this->api(), kHive, kKey, name), value) << name;
    }
    EXPECT_EQ(reg.ReadString(kHive, kKey, "Empty", "default"), "");
    EXPECT_EQ(reg.ReadString(kHive, kKey, "Expand", ""), "C:\\Windows");
}

TYPED_TEST(Values, WritesCreateEveryMissingLevel) {
    EXPECT_TRUE(this->reg().WriteString(kHive, "Software\\VEXO Tests\\A\\B\\C", "Text", "x"));
    EXPECT_TRUE(this->reg().KeyExists(kHive, "Software\\VEXO Tests\\A\\B"));
    EXPECT_EQ(this->reg().ReadString(kHive, "Software\\VEXO Tests\\A\\B\\C", "Text", ""), "x");
}

TYPED_TEST(Values, WriteBinaryRefusesBytesItWouldHaveToReadPastTheEnd) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3};
    EXPECT_FALSE(this->reg().WriteBinary(kHive, kKey, "Binary", bytes, 4));
    EXPECT_FALSE(this->reg().WriteBinary(kHive, kKey, "Binary", bytes, -1));
    EXPECT_FALSE(this->reg().WriteBinary(kHive, kKey, "Binary", std::span<const std::uint8_t>(), 0))
        << "no element 0";
    EXPECT_FALSE(HasKey(this->api(), kHive, kKey)) << "nothing was touched";
}

TYPED_TEST(Values, WriteLongFromStringLimitsTheLeadingNumber) {
    auto& reg = this->reg();
    EXPECT_EQ(reg.WriteLongFromString(kHive, kKey, "A", "12.5 apples", 0, 100), true);
    EXPECT_EQ(reg.WriteLongFromString(kHive, kKey, "B", "500", 100, 0), true);
    EXPECT_EQ(reg.WriteLongFromString(kHive, kKey, "C", "-1e12", 0, 100), std::nullopt);
    EXPECT_EQ(reg.ReadLong(kHive, kKey, "A", -1, kMin, kMax), 12);
    EXPECT_EQ(reg.ReadLong(kHive, kKey, "B", -1, kMin, kMax), 100);
    EXPECT_FALSE(reg.ValueExists(kHive, kKey, "C")) << "an overflow writes nothing";
}

TYPED_TEST(Values, WritesFailWhereTheKeyCannotBeMade) {
    EXPECT_FALSE(this->reg().WriteString(0x12345678, kKey, "Text", "x"));
    EXPECT_FALSE(this->reg().WriteLong(0x12345678, kKey, "Number", 1, 0, 1));
}

// ---- Existence and deleting --------------------------------------------------------------

TYPED_TEST(Values, ExistenceTests) {
    PutValue(this->api(), kHive, kKey, "Text", kRegSz, "x\0"s);
    EXPECT_TRUE(this->reg().KeyExists(kHive, kKey));
    EXPECT_FALSE(this->reg().KeyExists(kHive, "Software\\No Such Key"));
    EXPECT_TRUE(this->reg().ValueExists(kHive, kKey, "Text"));
    EXPECT_FALSE(this->reg().ValueExists(kHive, kKey, "Missing"));
    EXPECT_FALSE(this->reg().ValueExists(kHive, "Software\\No Such Key", "Text"));
}

TYPED_TEST(Values, DeleteKeyRefusesAKeyWithSubkeysWhichDeleteKeyAndSubkeysRemoves) {
    const std::string root = "Software\\VEXO Tests\\Tree";
    for (const char* path : {"\\A\\A1\\A11", "\\A\\A2", "\\B", "\\C\\C1"}) {
        PutValue(this->api(), kHive, root + path, "Value", kRegSz, "x\0"s);
    }
    EXPECT_FALSE(this->reg().DeleteKey(kHive, "Software\\VEXO Tests", "Tree"));
    EXPECT_TRUE(this->reg().KeyExists(kHive, root + "\\A\\A1\\A11"));

    EXPECT_TRUE(this->reg().DeleteKeyAndSubkeys(kHive, "Software\\VEXO Tests", "Tree"));
    EXPECT_FALSE(this->reg().KeyExists(kHive, root));
    EXPECT_TRUE(this->reg().KeyExists(kHive, "Software\\VEXO Tests")) << "the parent stays";

    EXPECT_FALSE(this->reg().DeleteKey(kHive, "Software\\VEXO Tests", "Tree"));
    EXPECT_FALSE(this->reg().DeleteKeyAndSubkeys(kHive, "Software\\VEXO Tests", "Tree"));
}

TYPED_TEST(Values, DeleteKeyRemovesALeafAndDeleteValueAValue) {
    PutValue(this->api(), kHive, kKey, "Text", kRegSz, "x\0"s);
    EXPECT_TRUE(this->reg().DeleteValue(kHive, kKey, "TEXT"));
    EXPECT_FALSE(this->reg().DeleteValue(kHive, kKey, "Text"));
    EXPECT_FALSE(this->reg().DeleteValue(kHive, "Software\\No Such Key", "Text"));
    EXPECT_TRUE(this->reg().DeleteKey(kHive, "Software\\VEXO Tests", "Registry"));
    EXPECT_FALSE(this->reg().KeyExists(kHive, kKey));
}

// ---- Names -------------------------------------------------------------------------------

TYPED_TEST(Values, NameTables) {
    const std::vector<std::pair<Hkey, const char*>> hives = {
        {0x80000000, "HKEY_CLASSES_ROOT"},
        {0x80000001, "HKEY_CURRENT_USER"},
        {0x80000002, "HKEY_LOCAL_MACHINE"},
        {0x80000003, "HKEY_USERS"},
        {0x80000004, "HKEY_PERFORMANCE_DATA"},
        {0x80000005, "HKEY_CURRENT_CONFIG"},
        {0x80000006, "HKEY_DYN_DATA"},
        {0x80000007, "Unknown"},
        {0, "Unknown"},
    };
    for (const auto& [hive, name] : hives) {
        EXPECT_EQ(this->reg().HKEY_String(hive), name) << hive;
    }
    const std::vector<const char*> types = {"Unknown",    "REG_SZ",       "REG_EXPAND_SZ",
                                            "REG_BINARY", "REG_DWORD",    "REG_DWORD_BIG_ENDIAN",
                                            "REG_LINK",   "REG_MULTI_SZ", "Unknown"};
    for (std::uint32_t code = 0; code < types.size(); ++code) {
        EXPECT_EQ(this->reg().REG_String(code), types[code]) << code;
    }
}

// ---- The machine's own services -----------------------------------------------------------

TEST(MachineServices, ExpandTheProcessEnvironmentAndNameTheRunningProgram) {
    const vexo::test_support::ScopedVariable variable("VEXO_REGISTRY_TEST", "expanded");
    MemoryRegistryApi memory;
    clsRegistry reg(memory);
    PutValue(memory, kHive, kKey, "Expand", kRegExpandSz, "<%VEXO_REGISTRY_TEST%>\0"s);
    EXPECT_EQ(reg.ReadString(kHive, kKey, "Expand", ""), "<expanded>");

    const std::string entry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ST6UNST #0";
    PutValue(memory, kHkeyLocalMachine, entry, "ApplicationName", kRegSz, "registry_tests.exe\0"s);
    EXPECT_EQ(reg.SearchForUninstallKey(), entry);
}

}  // namespace
}  // namespace registry::testing
