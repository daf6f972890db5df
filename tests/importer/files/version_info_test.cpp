#include "importer/files/version_info.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace basFiles::test {
namespace {

using namespace std::string_literals;
using testing::ElementsAre;
using testing::ElementsAreArray;

// Answers the version operations from a table of sub-block values, as a platform would for
// one file, and remembers which sub-blocks were asked for.
class FakeVersionApi : public VersionInfoApi {
  public:
    std::uint32_t size = 64;
    bool readSucceeds = true;
    std::map<std::string, std::string> values;
    std::vector<std::string> queries;
    std::uint16_t language = 0x0409;
    std::uint32_t codePage = 1252;

    std::uint32_t GetFileVersionInfoSize(std::string_view) override { return size; }
    bool GetFileVersionInfo(std::string_view, std::span<std::uint8_t> block) override {
        EXPECT_EQ(block.size(), size);
        return readSucceeds;
    }
    std::optional<std::string> VerQueryValue(std::span<const std::uint8_t>,
                                             std::string_view subBlock) override {
        queries.emplace_back(subBlock);
        const auto found = values.find(std::string(subBlock));
        if (found == values.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    std::uint16_t GetSystemDefaultLangID() override { return language; }
    std::uint32_t GetACP() override { return codePage; }

    void SetTranslation(std::string entries) { values["\\VarFileInfo\\Translation"] = entries; }
    void SetText(const std::string& table, const std::string& key, const std::string& text) {
        values["\\StringFileInfo\\" + table + "\\" + key] = text + '\0';
    }
};

const std::string kUsEnglishUnicode = "\x09\x04\xB0\x04"s;

FileVersionRecord SentinelRecord() {
    FileVersionRecord record;
    record.CompanyName = "left alone";
    record.FileVersionParts = {9, 9, 9, 9};
    return record;
}

TEST(Hex4, GivesExactlyFourUpperCaseDigits) {
    const std::vector<std::pair<std::uint32_t, std::string>> cases = {
        {0x0409, "0409"}, {0x04B0, "04B0"}, {0, "0000"},       {1252, "04E4"},
        {65001, "FDE9"},  {0xFFFF, "FFFF"}, {0x12345, "2345"}, {0xABCDEF01, "EF01"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(Hex4(value), text) << value;
    }
}

struct ParseCase {
    std::string text;
    std::array<std::int32_t, 4> numbers;
};

class ParseVersionNumbersTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseVersionNumbersTest, SplitsAtDotsAndCommas) {
    std::array<std::int32_t, 4> numbers = {5, 5, 5, 5};
    EXPECT_TRUE(ParseVersionNumbers(GetParam().text, numbers));
    EXPECT_EQ(numbers, GetParam().numbers) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseVersionNumbersTest,
    testing::Values(ParseCase{"7.1.0.59", {7, 1, 0, 59}}, ParseCase{"7, 1, 0, 59", {7, 1, 0, 59}},
                    ParseCase{"7.1", {7, 1, 0, 0}}, ParseCase{"1.2.3.4.5", {1, 2, 3, 4}},
                    ParseCase{"7..1", {7, 0, 1, 0}}, ParseCase{"07.010", {7, 10, 0, 0}},
                    ParseCase{"7.1 beta 2", {7, 12, 0, 0}}, ParseCase{"", {0, 0, 0, 0}},
                    ParseCase{"8.0", {8, 0, 0, 0}}, ParseCase{"-3.x4", {3, 4, 0, 0}},
                    ParseCase{"2147483647.0", {2147483647, 0, 0, 0}},
                    ParseCase{"00000000000000000007.1", {7, 1, 0, 0}},
                    // only the first four numbers count, even when a later one is huge
                    ParseCase{"1.2.3.4.99999999999", {1, 2, 3, 4}}));

TEST(ParseVersionNumbers, ReportsANumberThatDoesNotFit) {
    std::array<std::int32_t, 4> numbers{};
    EXPECT_FALSE(ParseVersionNumbers("7.2147483648", numbers));
    EXPECT_FALSE(ParseVersionNumbers("99999999999999999999999", numbers));
}

TEST(ParseVersionNumbers, FillsOnlyTheArrayItIsGiven) {
    std::array<std::int32_t, 2> two = {5, 5};
    EXPECT_TRUE(ParseVersionNumbers("1.2.3", two));
    EXPECT_THAT(two, ElementsAre(1, 2));

    std::span<std::int32_t> none;
    EXPECT_TRUE(ParseVersionNumbers("1.2", none));
}

TEST(GetVersionTranslation, ReadsTheFirstEntryOnly) {
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {std::nullopt, ""},
        {"\x09\x04\xB0"s, ""},  // shorter than one entry
        {kUsEnglishUnicode, "040904B0"},
        {"\x07\x04\xE4\x04\x09\x04\xB0\x04"s, "040704E4"},
        {"\x00\x00\x00\x00"s, "00000000"},
    };
    for (const auto& [table, expected] : cases) {
        FakeVersionApi api;
        if (table) {
            api.SetTranslation(*table);
        }
        std::string text = "stale";
        GetVersionTranslation(api, {}, text);
        EXPECT_EQ(text, expected);
    }
}

TEST(QueryVersionString, CutsAtTheFirstNulAndTellsAbsence) {
    FakeVersionApi api;
    api.values["\\a"] = "7.1\0junk after"s;
    api.values["\\empty"] = ""s;
    api.values["\\nul"] = "\0"s;

    std::string value = "stale";
    EXPECT_TRUE(QueryVersionString(api, {}, "\\a", value));
    EXPECT_EQ(value, "7.1");
    EXPECT_TRUE(QueryVersionString(api, {}, "\\empty", value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(QueryVersionString(api, {}, "\\nul", value));
    EXPECT_EQ(value, "");
    value = "stale";
    EXPECT_FALSE(QueryVersionString(api, {}, "\\missing", value));
    EXPECT_EQ(value, "");
}

TEST(ReadFileVersionInfo, FillsTheRecordFromTheFirstTranslationsTable) {
    FakeVersionApi api;
    api.SetTranslation(kUsEnglishUnicode);
    const std::string table = "040904B0";
    api.SetText(table, "CompanyName", "Apple Computer, Inc.");
    api.SetText(table, "FileVersion", "7.1.0.59");
    api.SetText(table, "ProductVersion", "7.1");
    api.SetText(table, "SpecialBuild", "nightly\0ignored"s);
    api.SetText("040704E4", "CompanyName", "another table");

    FileVersionRecord record = SentinelRecord();
    ASSERT_TRUE(ReadFileVersionInfo(api, "iTunes.exe", record));
    EXPECT_EQ(record.CompanyName, "Apple Computer, Inc.");
    EXPECT_EQ(record.FileVersion, "7.1.0.59");
    EXPECT_THAT(record.FileVersionParts, ElementsAre(7, 1, 0, 59));
    EXPECT_THAT(record.ProductVersionParts, ElementsAre(7, 1, 0, 0));
    EXPECT_EQ(record.SpecialBuild, "nightly");
    EXPECT_EQ(record.FileDescription, "");

    const std::string prefix = "\\StringFileInfo\\040904B0\\";
    EXPECT_THAT(api.queries,
                ElementsAreArray(
                    {"\\VarFileInfo\\Translation"s, prefix + "CompanyName",
                     prefix + "FileDescription", prefix + "FileVersion", prefix + "InternalName",
                     prefix + "LegalCopyright", prefix + "OriginalFilename", prefix + "ProductName",
                     prefix + "ProductVersion", prefix + "Comments", prefix + "LegalTrademarks",
                     prefix + "PrivateBuild", prefix + "SpecialBuild"}));
}

TEST(ReadFileVersionInfo, WithoutTranslationUsesTheSystemLanguageAndCodePage) {
    FakeVersionApi api;
    api.language = 0x0407;
    api.codePage = 1252;
    api.SetText("040704E4", "FileVersion", "8.0");

    FileVersionRecord record;
    ASSERT_TRUE(ReadFileVersionInfo(api, "x.dll", record));
    EXPECT_THAT(record.FileVersionParts, ElementsAre(8, 0, 0, 0));
}

TEST(ReadFileVersionInfo, ATableOtherThanTheTranslationsGivesAnEmptyRecord) {
    FakeVersionApi api;
    api.SetTranslation(kUsEnglishUnicode);
    api.SetText("040904E4", "FileVersion", "7.1.0.59");

    FileVersionRecord record = SentinelRecord();
    ASSERT_TRUE(ReadFileVersionInfo(api, "x.dll", record));
    EXPECT_EQ(record, FileVersionRecord{});
}

TEST(ReadFileVersionInfo, FailureLeavesTheRecordUntouched) {
    struct Case {
        const char* what;
        std::uint32_t size;
        bool readSucceeds;
        std::string fileVersion;
        std::string productVersion;
    };
    const Case cases[] = {
        {"no version data", 0, true, "7.1", "7.1"},
        {"unreadable version data", 64, false, "7.1", "7.1"},
        {"file version beyond 32 bits", 64, true, "7.2147483648", "7.1"},
        {"product version beyond 32 bits", 64, true, "7.1", "4294967296"},
    };
    for (const Case& c : cases) {
        FakeVersionApi api;
        api.size = c.size;
        api.readSucceeds = c.readSucceeds;
        api.SetTranslation(kUsEnglishUnicode);
        api.SetText("040904B0", "FileVersion", c.fileVersion);
        api.SetText("040904B0", "ProductVersion", c.productVersion);

        FileVersionRecord record = SentinelRecord();
        EXPECT_FALSE(ReadFileVersionInfo(api, "x.dll", record)) << c.what;
        EXPECT_EQ(record, SentinelRecord()) << c.what;
    }
}

TEST(RecordFields, ListsTheFieldsInRecordOrder) {
    FileVersionRecord record;
    record.FileVersionParts = {7, 1, 0, 59};
    record.SpecialBuild = "x";
    const auto fields = RecordFields(record);
    ASSERT_EQ(fields.size(), 14u);
    EXPECT_EQ(fields[0].first, "CompanyName");
    EXPECT_EQ(fields[3],
              (std::pair<std::string_view, std::string>{"FileVersionParts", "7,1,0,59"}));
    EXPECT_EQ(fields[9].first, "ProductVersionParts");
    EXPECT_EQ(fields[9].second, "0,0,0,0");
    EXPECT_EQ(fields[13].second, "x");
}

}  // namespace
}  // namespace basFiles::test
