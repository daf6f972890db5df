#include "importer/files/version_block.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "importer/itunes/library/version_resource.h"

namespace basFiles::test {
namespace {

using namespace std::string_literals;
using itunes::library::VersionNode;

// The block most lookups run against: fixed information, two string tables and a
// translation table of two entries.
std::vector<std::uint8_t> SampleBlock() {
    itunes::library::VersionInfo info;
    info.fixedInfo = itunes::library::FixedFileInfo{};
    info.fixedInfo->fileVersion = {7, 1, 0, 59};
    info.stringTables = {
        {"040904B0",
         {{"CompanyName", "Vexo"},
          {"FileVersion", "7.1.0.59\0junk"s},
          {"Empty", ""},
          {"Unicode", "caf\u00E9 \U0001F600"}}},
        {"040704E4", {{"CompanyName", "Vexo GmbH"}}},
    };
    info.translations =
        std::vector<itunes::library::Translation>{{0x0409, 0x04B0}, {0x0407, 0x04E4}};
    return itunes::library::BuildVersionInfoBlock(info);
}

struct LookupCase {
    std::string subBlock;
    std::optional<std::string> value;
};

void PrintTo(const LookupCase& c, std::ostream* out) {
    *out << c.subBlock;
}

class VersionBlockLookupTest : public testing::TestWithParam<LookupCase> {};

TEST_P(VersionBlockLookupTest, AnswersLikeVerQueryValue) {
    EXPECT_EQ(QueryVersionValue(SampleBlock(), GetParam().subBlock), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, VersionBlockLookupTest,
    testing::Values(
        // Text values come with their terminating NUL and anything stored after a NUL.
        LookupCase{"\\StringFileInfo\\040904B0\\CompanyName", "Vexo\0"s},
        LookupCase{"\\StringFileInfo\\040904B0\\FileVersion", "7.1.0.59\0junk\0"s},
        LookupCase{"\\StringFileInfo\\040904B0\\Empty", "\0"s},
        LookupCase{"\\StringFileInfo\\040904B0\\Unicode", "caf\u00E9 \U0001F600\0"s},
        LookupCase{"\\StringFileInfo\\040704E4\\CompanyName", "Vexo GmbH\0"s},
        // Keys match without regard to case; empty components are skipped.
        LookupCase{"\\stringfileinfo\\040904b0\\COMPANYNAME", "Vexo\0"s},
        LookupCase{"\\\\StringFileInfo\\\\040904B0\\CompanyName\\", "Vexo\0"s},
        LookupCase{"StringFileInfo\\040904B0\\CompanyName", "Vexo\0"s},
        // Binary values come as their bytes.
        LookupCase{"\\VarFileInfo\\Translation", "\x09\x04\xB0\x04\x07\x04\xE4\x04"s},
        // A node without a value exists and has the empty value.
        LookupCase{"\\StringFileInfo", ""s},
        // Absent: other table, other key, a prefix or an extension of a key, the root's key.
        LookupCase{"\\StringFileInfo\\040904E4\\CompanyName", std::nullopt},
        LookupCase{"\\StringFileInfo\\040904B0\\Company", std::nullopt},
        LookupCase{"\\StringFileInfo\\040904B0\\CompanyNames", std::nullopt},
        LookupCase{"\\StringFileInfo\\040904B0\\CompanyName\\More", std::nullopt},
        LookupCase{"\\StringFileInfo\\CompanyName", std::nullopt},
        LookupCase{"\\VS_VERSION_INFO", std::nullopt},
        LookupCase{"\\VarFileInfo\\Translation\\", "\x09\x04\xB0\x04\x07\x04\xE4\x04"s}));

TEST(VersionBlock, RootValueIsTheFixedFileInfo) {
    const auto fixed = QueryVersionValue(SampleBlock(), "\\");
    ASSERT_TRUE(fixed.has_value());
    ASSERT_EQ(fixed->size(), 52u);
    EXPECT_EQ(fixed->substr(0, 4), "\xBD\x04\xEF\xFE"s);     // signature
    EXPECT_EQ(fixed->substr(8, 4), "\x01\x00\x07\x00"s);     // 7.1
    EXPECT_EQ(fixed->substr(12, 4), "\x3B\x00\x00\x00"s);    // .0.59
    EXPECT_EQ(QueryVersionValue(SampleBlock(), ""), fixed);  // the empty path names the root too
}

TEST(VersionBlock, RootWithoutFixedInfoHasAnEmptyValue) {
    const auto block = itunes::library::BuildVersionInfoBlock({});
    EXPECT_EQ(QueryVersionValue(block, "\\"), "");
}

TEST(VersionBlock, TextLengthsWrittenInBytesAreClampedToTheNode) {
    itunes::library::VersionInfo info;
    info.stringTables = {{"040904B0", {{"CompanyName", "Vexo"}, {"FileVersion", "7.1"}}}};
    info.textLengthsInBytes = true;
    const auto block = itunes::library::BuildVersionInfoBlock(info);
    EXPECT_EQ(QueryVersionValue(block, "\\StringFileInfo\\040904B0\\CompanyName"), "Vexo\0"s);
    EXPECT_EQ(QueryVersionValue(block, "\\StringFileInfo\\040904B0\\FileVersion"), "7.1\0"s);
}

TEST(VersionBlock, UnpairedSurrogatesBecomeReplacementCharacters) {
    VersionNode text = itunes::library::BranchNode("Text", {}, true);
    // 'a', lone high surrogate, 'b', lone low surrogate, high surrogate at the end, NUL
    text.value = {'a', 0, 0x3D, 0xD8, 'b', 0, 0x00, 0xDE, 0x3D, 0xD8, 0, 0};
    const VersionNode root = itunes::library::BranchNode("VS_VERSION_INFO", {text});
    EXPECT_EQ(QueryVersionValue(itunes::library::BuildVersionNode(root), "\\Text"),
              "a\uFFFDb\uFFFD\uFFFD\0"s);
}

// The sample block cut anywhere: an ASCII text that is still found is a prefix of the full
// text (never bytes from outside the block); nothing crashes or hangs.
TEST(VersionBlock, TruncatedBlocksGiveAtMostPrefixes) {
    const auto full = SampleBlock();
    const std::vector<std::string> paths = {
        "\\StringFileInfo\\040904B0\\CompanyName", "\\StringFileInfo\\040904B0\\FileVersion",
        "\\StringFileInfo\\040704E4\\CompanyName", "\\VarFileInfo\\Translation", "\\"};
    for (std::size_t size = 0; size <= full.size(); ++size) {
        const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<long>(size));
        for (const std::string& path : paths) {
            const auto whole = QueryVersionValue(full, path);
            const auto part = QueryVersionValue(cut, path);
            if (part) {
                EXPECT_EQ(whole->substr(0, part->size()), *part) << path << " cut at " << size;
            }
        }
    }
    EXPECT_EQ(QueryVersionValue(full, paths[0]), "Vexo\0"s);
}

// Malformed nodes built node by node: what stays reachable around each of them.
struct MalformedCase {
    std::string name;
    VersionNode bad;                      // first child of the root
    std::optional<std::string> badValue;  // lookup of "\Bad"
    bool siblingReachable;                // "\After" after it
};

void PrintTo(const MalformedCase& c, std::ostream* out) {
    *out << c.name;
}

class MalformedNodeTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedNodeTest, StaysInsideTheBlock) {
    const VersionNode root = itunes::library::BranchNode(
        "VS_VERSION_INFO", {GetParam().bad, itunes::library::TextNode("After", "ok")});
    const auto block = itunes::library::BuildVersionNode(root);
    EXPECT_EQ(QueryVersionValue(block, "\\Bad"), GetParam().badValue);
    EXPECT_EQ(QueryVersionValue(block, "\\After"),
              GetParam().siblingReachable ? std::optional("ok\0"s) : std::nullopt);
}

VersionNode OddTextNode() {
    VersionNode node = itunes::library::BranchNode("Bad", {}, true);
    node.value = {'x', 0, 'y'};
    return node;
}

VersionNode WithLength(VersionNode node, std::uint16_t length) {
    node.length = length;
    return node;
}

VersionNode WithValueLength(VersionNode node, std::uint16_t valueLength) {
    node.valueLength = valueLength;
    return node;
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, MalformedNodeTest,
    testing::Values(
        // A zero or header-short length ends the level: nothing after it can be found.
        MalformedCase{"ZeroLength", WithLength(itunes::library::TextNode("Bad", "x"), 0),
                      std::nullopt, false},
        MalformedCase{"ShorterThanHeader", WithLength(itunes::library::TextNode("Bad", "x"), 4),
                      std::nullopt, false},
        // A length past the parent is cut to it; the node swallows its siblings.
        MalformedCase{"PastParent", WithLength(itunes::library::TextNode("Bad", "x"), 0xFFFF),
                      "x\0"s, false},
        // An odd length (one byte more than the node) still finds the next node.
        MalformedCase{"OddLength",
                      WithLength(itunes::library::TextNode("Bad", "xy"), 6 + 8 + 2 + 6 + 1),
                      "xy\0"s, true},
        // A key without its NUL runs to the node's end and leaves no value; its NUL, left
        // outside, reads as a zero length that ends the level.
        MalformedCase{"KeyWithoutNul", WithLength(itunes::library::BranchNode("Bad", {}), 6 + 6),
                      ""s, false},
        // A value length past the node reads no further than the node.
        MalformedCase{"ValueLengthPastNode",
                      WithValueLength(itunes::library::TextNode("Bad", "x"), 0xFFFF), "x\0"s, true},
        MalformedCase{"BinaryValueLengthPastNode",
                      WithValueLength(itunes::library::BinaryNode("Bad", {1, 2, 3, 4}), 0xFFFF),
                      "\x01\x02\x03\x04"s, true},
        // A text value of an odd number of bytes loses the half character.
        MalformedCase{"OddTextBytes", OddTextNode(), "x"s, true}),
    [](const testing::TestParamInfo<MalformedCase>& param) { return param.param.name; });

TEST(VersionBlock, LengthOfTheRootNode) {
    const auto block = SampleBlock();
    EXPECT_EQ(VersionInfoBlockLength(block), block.size());

    auto padded = block;
    padded.insert(padded.end(), 12, 0xCC);
    EXPECT_EQ(VersionInfoBlockLength(padded), block.size());

    const std::vector<std::uint8_t> cut(block.begin(), block.begin() + 100);
    EXPECT_EQ(VersionInfoBlockLength(cut), 100u);

    EXPECT_EQ(VersionInfoBlockLength({}), 0u);
    EXPECT_EQ(VersionInfoBlockLength(
                  itunes::library::BuildVersionNode(itunes::library::BranchNode("VS_VERSION", {}))),
              0u);
    EXPECT_EQ(VersionInfoBlockLength(itunes::library::BuildVersionNode(
                  itunes::library::BranchNode("VS_VERSION_INFO!", {}))),
              0u);
    const std::vector<std::uint8_t> text = {'H', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r'};
    EXPECT_EQ(VersionInfoBlockLength(text), 0u);
}

}  // namespace
}  // namespace basFiles::test
