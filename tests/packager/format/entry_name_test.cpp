#include "packager/format/entry_name.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <optional>
#include <string>

namespace packager::format::test {
namespace {

EntryHeader HeaderNamed(const std::string& name) {
    EntryHeader header;
    std::copy(name.begin(), name.end(), header.name.begin());
    return header;
}

// The path as the worker gets it: written into a 520-byte buffer, with its NUL.
std::optional<std::string> EntryPath(std::string_view folder, const EntryHeader& header) {
    std::array<char, kPathBufferBytes> buffer{};
    const std::optional<std::string_view> path = format::EntryPath(folder, header, buffer);
    if (!path) {
        return std::nullopt;
    }
    EXPECT_EQ(std::strlen(buffer.data()), path->size());
    return std::string(*path);
}

struct NameCase {
    std::string name;
    NameFault fault;
};

class PlainFileNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(PlainFileNameTest, TellsTheFault) {
    EXPECT_EQ(CheckPlainFileName(GetParam().name), GetParam().fault);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PlainFileNameTest,
    testing::Values(
        NameCase{"setup.exe", NameFault::None}, NameCase{"SETUP.LST", NameFault::None},
        NameCase{".hidden", NameFault::None}, NameCase{"a.b.c", NameFault::None},
        NameCase{"with blank", NameFault::None}, NameCase{std::string(259, 'n'), NameFault::None},
        NameCase{"", NameFault::Empty}, NameCase{std::string(260, 'n'), NameFault::TooLong},
        NameCase{std::string("a\0b", 3), NameFault::HoldsNul},
        NameCase{"..\\evil.exe", NameFault::FolderPart},
        NameCase{"sub/file", NameFault::FolderPart}, NameCase{"/etc/passwd", NameFault::FolderPart},
        NameCase{"C:evil.exe", NameFault::Drive}, NameCase{"file.txt:stream", NameFault::Drive},
        NameCase{"..", NameFault::Dots}, NameCase{"a..b", NameFault::Dots},
        NameCase{".", NameFault::Dots}, NameCase{"CON", NameFault::Device},
        NameCase{"nul.txt", NameFault::Device}, NameCase{"Com9.log.gz", NameFault::Device},
        NameCase{"lpt1", NameFault::Device}, NameCase{"aux .dat", NameFault::Device},
        NameCase{"COM0", NameFault::None}, NameCase{"LPT10", NameFault::None},
        NameCase{"console", NameFault::None}, NameCase{"conx.txt", NameFault::None},
        NameCase{"setup.exe.", NameFault::TrailingDotOrBlank},
        NameCase{"setup.exe ", NameFault::TrailingDotOrBlank}));

TEST(EntryPath, JoinsFolderSeparatorAndName) {
    EXPECT_EQ(EntryPath("/tmp/SFXab12", HeaderNamed("setup.exe")),
              std::string("/tmp/SFXab12") + kPathSeparator + "setup.exe");
}

TEST(EntryPath, RefusesNamesThatEscapeOrAreNoFileNames) {
    for (const char* name : {"../x", "..", "a\\b", "a/b", "c:x", "", "."}) {
        EXPECT_FALSE(EntryPath("/tmp/SFXab12", HeaderNamed(name)).has_value()) << name;
    }
}

TEST(EntryPath, RefusesANameFieldWithoutNul) {
    EntryHeader header;
    header.name.fill('x');
    EXPECT_FALSE(EntryPath("/tmp", header).has_value());
}

// The path and its terminating NUL must fit the 520-byte path buffer.
TEST(EntryPath, MustFitThePathBuffer) {
    const std::string name(200, 'n');
    const std::string fits(kPathBufferBytes - 1 - name.size() - 1, 'f');
    const auto path = EntryPath(fits, HeaderNamed(name));
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->size(), kPathBufferBytes - 1);
    EXPECT_FALSE(EntryPath(fits + "f", HeaderNamed(name)).has_value());
}

}  // namespace
}  // namespace packager::format::test
