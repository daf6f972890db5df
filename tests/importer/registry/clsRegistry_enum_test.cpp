// Walking the subkeys and values of a key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/importer/registry/registry_backends.h"

namespace registry::testing {
namespace {

using namespace std::string_literals;

template <typename Backend>
class Enumeration : public clsRegistryBehaviour<Backend> {
  protected:
    std::vector<std::string> AllKeys() {
        std::vector<std::string> names;
        std::string name;
        for (std::int32_t index = 0; this->reg().EnumKey(index, name); ++index) {
            names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};
TYPED_TEST_SUITE(Enumeration, RegistryBackends, BackendNames);

TYPED_TEST(Enumeration, NothingWithoutAnOpenEnumeration) {
    PutValue(this->api(), kHive, kKey + "\\Child"s, "Value", kRegSz, "x\0"s);
    PutValue(this->api(), kHive, kKey, "Value", kRegSz, "x\0"s);
    std::string name = "as it was";
    std::uint32_t type = 99;
    std::string valueName = "as it was";
    std::string data = "as it was";
    EXPECT_FALSE(this->reg().EnumKey(0, name));
    EXPECT_FALSE(this->reg().EnumValue(0, type, valueName, data));

    ASSERT_TRUE(this->reg().EnumStart(kHive, kKey));
    this->reg().EnumEnd();
    EXPECT_FALSE(this->reg().EnumKey(0, name));
    EXPECT_FALSE(this->reg().EnumValue(0, type, valueName, data));
    EXPECT_EQ(name, "as it was");
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(valueName + data, "as it wasas it was");
    this->reg().EnumEnd();  // a second end is harmless
}

TYPED_TEST(Enumeration, WalksEverySubkeyByItsWrittenName) {
    const std::string longName(255, 'k');
    // Each level is created below the one above it: the ANSI functions of Windows take a path
    // of at most 260 characters.
    Hkey parent = 0;
    ASSERT_EQ(this->api().RegCreateKeyEx(kHive, kKey, kKeyAllAccess, parent), kErrorSuccess);
    for (const std::string& child : {"beta"s, "Alpha"s, "GAMMA"s, longName}) {
        Hkey created = 0;
        ASSERT_EQ(this->api().RegCreateKeyEx(parent, child, kKeyAllAccess, created), kErrorSuccess);
        PutKey(this->api(), created, "Grandchild");
        this->api().RegCloseKey(created);
    }
    this->api().RegCloseKey(parent);
    ASSERT_TRUE(this->reg().EnumStart(kHive, kKey));
    EXPECT_EQ(this->AllKeys(), (std::vector<std::string>{"Alpha", "GAMMA", "beta", longName}));
    std::string name;
    EXPECT_FALSE(this->reg().EnumKey(-1, name));
    this->reg().EnumEnd();
}

TYPED_TEST(Enumeration, ASecondStartReplacesTheFirstEvenWhenItFails) {
    PutKey(this->api(), kHive, kKey + "\\First"s);
    ASSERT_TRUE(this->reg().EnumStart(kHive, kKey));
    EXPECT_EQ(this->ledger().Outstanding(), 1u);
    EXPECT_FALSE(this->reg().EnumStart(kHive, "Software\\No Such Key"));
    EXPECT_EQ(this->ledger().Outstanding(), 0u) << "the first key was closed";
    std::string name;
    EXPECT_FALSE(this->reg().EnumKey(0, name));

    ASSERT_TRUE(this->reg().EnumStart(kHive, kKey + "\\First"s));
    EXPECT_EQ(this->ledger().Outstanding(), 1u);
    EXPECT_TRUE(this->AllKeys().empty());
}

struct ValueCase {
    std::string name;
    std::uint32_t type;
    std::string stored;
    std::string data;  // what EnumValue gives: the stored bytes without their last one
};

TYPED_TEST(Enumeration, ValuesComeWithoutTheirLastByte) {
    const std::vector<ValueCase> cases = {
        {"Text", kRegSz, "abc\0"s, "abc"},
        {"Multi", kRegMultiSz, "a\0b\0\0"s, "a\0b\0"s},
        {"Expand", kRegExpandSz, "%SystemRoot%\0"s, "%SystemRoot%"},
        {"Number", kRegDword, "\x2C\x01\0\0"s, "\x2C\x01\0"s},
        {"Bytes", kRegBinary, "\x01\x02"s, "\x01"s},
        {"Nothing", kRegBinary, "", ""},
        {"", kRegSz, "default\0"s, "default"},
        {"Long name " + std::string(300, 'n'), kRegSz, "x\0"s, "x"},
        {"Over 256 bytes", kRegBinary, std::string(1000, '\x7F'), std::string(999, '\x7F')},
        {"Fits after growing", kRegBinary, std::string(7936, 'a'), std::string(7935, 'a')},
    };
    for (const auto& c : cases) {
        PutValue(this->api(), kHive, kKey, c.name, c.type, c.stored);
    }
    ASSERT_TRUE(this->reg().EnumStart(kHive, kKey));
    std::vector<ValueCase> found;
    std::uint32_t type = 0;
    std::string name;
    std::string data;
    for (std::int32_t index = 0; this->reg().EnumValue(index, type, name, data); ++index) {
        found.push_back({name, type, "", data});
    }
    this->reg().EnumEnd();

    ASSERT_EQ(found.size(), cases.size());
    for (const auto& c : cases) {
        const auto match = std::find_if(found.begin(), found.end(),
                                        [&](const ValueCase& f) { return f.name == c.name; });
        ASSERT_NE(match, found.end()) << c.name;
        EXPECT_EQ(match->type, c.type) << c.name;
        EXPECT_EQ(match->data, c.data) << c.name;
    }
}

TYPED_TEST(Enumeration, AValueTooLargeForTheLastBufferEndsTheWalk) {
    // 7937 bytes would need a buffer of 7937 + 256 bytes, more than 8192.
    PutValue(this->api(), kHive, kKey, "Huge", kRegBinary, std::string(7937, 'a'));
    ASSERT_TRUE(this->reg().EnumStart(kHive, kKey));
    std::uint32_t type = 0;
    std::string name = "as it was";
    std::string data;
    EXPECT_FALSE(this->reg().EnumValue(0, type, name, data));
    EXPECT_EQ(name, "as it was");
}

}  // namespace
}  // namespace registry::testing
