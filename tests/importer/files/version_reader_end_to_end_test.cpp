// ReadFileVersionInfo on real files through our own reader of the version-resource format.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "importer/files/own_version_api.h"
#include "importer/files/version_info.h"
#include "importer/itunes/library/pe_image.h"
#include "tests/importer/files/mingw/versioned_values.h"
#include "tests/importer/files/version_test_files.h"

namespace basFiles::test {
namespace {

using namespace std::string_literals;
using testing_support::ScopedTempFolder;
using testing_support::TypicalVersionInfo;
using testing_support::UsEnglishTable;

// What a caller holds before the call: a failed read must leave it so.
FileVersionRecord SentinelRecord() {
    FileVersionRecord record;
    record.CompanyName = "untouched";
    record.FileVersionParts = {9, 9, 9, 9};
    return record;
}

FileVersionRecord TypicalRecord() {
    FileVersionRecord record;
    record.CompanyName = "Vexo";
    record.FileDescription = "Stand-in";
    record.FileVersion = "7.1.0.59";
    record.FileVersionParts = {7, 1, 0, 59};
    record.InternalName = "standin";
    record.LegalCopyright = "(C) Vexo";
    record.OriginalFilename = "standin.exe";
    record.ProductName = "Stand-in";
    record.ProductVersion = "8.0";
    record.ProductVersionParts = {8, 0, 0, 0};
    record.Comments = "none";
    record.LegalTrademarks = "TM";
    record.PrivateBuild = "private";
    record.SpecialBuild = "special";
    return record;
}

itunes::library::VersionInfo WithTableName(itunes::library::VersionInfo info,
                                           const std::string& name) {
    info.stringTables.front().name = name;
    return info;
}

itunes::library::VersionInfo WithoutTranslation(itunes::library::VersionInfo info) {
    info.translations.reset();
    return info;
}

itunes::library::VersionInfo WithText(itunes::library::VersionInfo info, const std::string& key,
                                      const std::string& text) {
    for (auto& value : info.stringTables.front().values) {
        if (value.key == key) {
            value.value = text;
        }
    }
    return info;
}

struct EndToEndCase {
    std::string name;
    itunes::library::VersionInfo info;
    itunes::library::ImageFormat format = itunes::library::ImageFormat::Pe32;
    bool read = true;
    FileVersionRecord record;  // when read
};

void PrintTo(const EndToEndCase& c, std::ostream* out) {
    *out << c.name;
}

class EndToEndTest : public testing::TestWithParam<EndToEndCase> {};

TEST_P(EndToEndTest, FillsTheRecordFromTheFile) {
    ScopedTempFolder folder;
    const std::string path = folder.Write(
        "iTunes.EXE",
        itunes::library::BuildVersionedImage(
            GetParam().info, {itunes::library::ImageKind::Executable, GetParam().format}));
    // A system set to US English with the Western European code page.
    OwnVersionInfoApi api(WindowsLocale{0x0409, 1252});
    FileVersionRecord record = SentinelRecord();
    EXPECT_EQ(ReadFileVersionInfo(api, path, record), GetParam().read);
    EXPECT_EQ(record, GetParam().read ? GetParam().record : SentinelRecord());
}

itunes::library::VersionInfo FixedInfoOnly() {
    itunes::library::VersionInfo info;
    info.fixedInfo = itunes::library::FixedFileInfo{};
    info.fixedInfo->fileVersion = {7, 1, 0, 59};
    return info;
}

FileVersionRecord RecordWith(const std::string& fileVersion, std::array<std::int32_t, 4> parts) {
    FileVersionRecord record = TypicalRecord();
    record.FileVersion = fileVersion;
    record.FileVersionParts = parts;
    return record;
}

INSTANTIATE_TEST_SUITE_P(
    Files, EndToEndTest,
    testing::Values(
        EndToEndCase{"Pe32", TypicalVersionInfo(), itunes::library::ImageFormat::Pe32, true,
                     TypicalRecord()},
        EndToEndCase{"Pe32Plus", TypicalVersionInfo(), itunes::library::ImageFormat::Pe32Plus, true,
                     TypicalRecord()},
        // The translation names a table the file does not have: all empty, yet read.
        EndToEndCase{"TableNamedOtherThanTranslation",
                     WithTableName(TypicalVersionInfo(), "040904E4"),
                     itunes::library::ImageFormat::Pe32, true, FileVersionRecord{}},
        // Without a translation table the system's language and code page name the table.
        EndToEndCase{"NoTranslationSystemTable",
                     WithoutTranslation(WithTableName(TypicalVersionInfo(), "040904E4")),
                     itunes::library::ImageFormat::Pe32, true, TypicalRecord()},
        EndToEndCase{"NoTranslationOtherTable", WithoutTranslation(TypicalVersionInfo()),
                     itunes::library::ImageFormat::Pe32, true, FileVersionRecord{}},
        EndToEndCase{"FixedInfoOnly", FixedInfoOnly(), itunes::library::ImageFormat::Pe32, true,
                     FileVersionRecord{}},
        // Only the part before a NUL counts.
        EndToEndCase{"TextWithNulAndMore",
                     WithText(TypicalVersionInfo(), "FileVersion", "7.2.0.1\0 8.0.0.0 junk"s),
                     itunes::library::ImageFormat::Pe32, true, RecordWith("7.2.0.1", {7, 2, 0, 1})},
        EndToEndCase{"ShortVersion", WithText(TypicalVersionInfo(), "FileVersion", "8.0"),
                     itunes::library::ImageFormat::Pe32, true, RecordWith("8.0", {8, 0, 0, 0})},
        // A version number too large for 32 bits makes the reading fail.
        EndToEndCase{"NumberTooLarge",
                     WithText(TypicalVersionInfo(), "FileVersion", "7.2147483648"),
                     itunes::library::ImageFormat::Pe32,
                     false,
                     {}}),
    [](const testing::TestParamInfo<EndToEndCase>& param) { return param.param.name; });

TEST(EndToEnd, FilesWithoutVersionDataLeaveTheRecordAlone) {
    ScopedTempFolder folder;
    const std::string text = "Not a program.\n";
    const std::string textPath =
        folder.Write("readme.txt", std::vector<std::uint8_t>(text.begin(), text.end()));
    const std::string plainImage = folder.Write("plain.exe", itunes::library::BuildPeImage({}));
    OwnVersionInfoApi api;
    for (const std::string& path :
         {textPath, plainImage, (folder.path() / "missing.exe").string(), folder.path().string()}) {
        FileVersionRecord record = SentinelRecord();
        EXPECT_FALSE(ReadFileVersionInfo(api, path, record)) << path;
        EXPECT_EQ(record, SentinelRecord()) << path;
    }
}

#ifdef VEXO_VERSIONED_DLL  // the MinGW-built DLL, where the cross tools made it
TEST(EndToEnd, ReadsTheMingwDll) {
    OwnVersionInfoApi api;
    FileVersionRecord record;
    ASSERT_TRUE(ReadFileVersionInfo(api, VEXO_VERSIONED_DLL, record));
    FileVersionRecord expected;
    expected.CompanyName = VERSIONED_COMPANY_NAME;
    expected.FileDescription = VERSIONED_FILE_DESCRIPTION;
    expected.FileVersion = VERSIONED_FILE_VERSION;
    expected.FileVersionParts = {7, 1, 0, 59};
    expected.InternalName = VERSIONED_INTERNAL_NAME;
    expected.LegalCopyright = VERSIONED_LEGAL_COPYRIGHT;
    expected.OriginalFilename = VERSIONED_ORIGINAL_FILENAME;
    expected.ProductName = VERSIONED_PRODUCT_NAME;
    expected.ProductVersion = VERSIONED_PRODUCT_VERSION;
    expected.ProductVersionParts = {7, 1, 0, 59};
    expected.Comments = VERSIONED_COMMENTS;
    expected.LegalTrademarks = "Vexo\u00AE \U0001F600";
    expected.PrivateBuild = VERSIONED_PRIVATE_BUILD;
    EXPECT_EQ(record, expected);
}
#endif

}  // namespace
}  // namespace basFiles::test
