#include "importer/files/own_version_api.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "importer/itunes/library/pe_image.h"
#include "tests/importer/files/mingw/versioned_values.h"
#include "tests/importer/files/version_test_files.h"
#include "tests/support/files.h"

namespace basFiles::test {
namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;
using testing_support::ScopedTempFolder;
using vexo::test_support::ToBytes;

// The version data of a file as the two calls deliver it: the size, then the block.
std::optional<Bytes> ReadBlock(OwnVersionInfoApi& api, const std::string& path) {
    const std::uint32_t size = api.GetFileVersionInfoSize(path);
    if (size == 0) {
        return std::nullopt;
    }
    Bytes block(size);
    if (!api.GetFileVersionInfo(path, block)) {
        ADD_FAILURE() << "the size was reported but the block could not be read";
        return std::nullopt;
    }
    return block;
}

TEST(OwnVersionInfoApi, ReadsTheBlockOfAWrittenImage) {
    ScopedTempFolder folder;
    const auto block =
        itunes::library::BuildVersionInfoBlock(testing_support::TypicalVersionInfo());
    const std::string path = folder.Write(
        "standin.exe", itunes::library::BuildVersionedImage(testing_support::TypicalVersionInfo()));
    OwnVersionInfoApi api;
    EXPECT_EQ(api.GetFileVersionInfoSize(path), block.size());
    EXPECT_EQ(ReadBlock(api, path), block);

    // A larger buffer gets the block followed by zeros, a smaller one its beginning.
    Bytes larger(block.size() + 8, 0xCC);
    ASSERT_TRUE(api.GetFileVersionInfo(path, larger));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), larger.begin()));
    EXPECT_EQ(Bytes(larger.end() - 8, larger.end()), Bytes(8, 0));
    Bytes smaller(10);
    ASSERT_TRUE(api.GetFileVersionInfo(path, smaller));
    EXPECT_EQ(smaller, Bytes(block.begin(), block.begin() + 10));
}

TEST(OwnVersionInfoApi, SizeIsTheRootNodesLengthNotTheResourcesSize) {
    ScopedTempFolder folder;
    auto data = itunes::library::BuildVersionInfoBlock(testing_support::TypicalVersionInfo());
    const std::size_t length = data.size();
    data.insert(data.end(), 20, 0xEE);  // some tools pad the resource
    itunes::library::Resource resource;
    resource.data = data;
    const std::string path =
        folder.Write("padded.dll", itunes::library::BuildPeImage(std::span(&resource, 1)));
    OwnVersionInfoApi api;
    EXPECT_EQ(api.GetFileVersionInfoSize(path), length);
}

struct NoVersionCase {
    std::string name;
    std::optional<Bytes> contents;  // std::nullopt: no file at all
};

void PrintTo(const NoVersionCase& c, std::ostream* out) {
    *out << c.name;
}

class NoVersionDataTest : public testing::TestWithParam<NoVersionCase> {};

TEST_P(NoVersionDataTest, SizeIsZeroAndReadFails) {
    ScopedTempFolder folder;
    const std::string path = GetParam().contents ? folder.Write("file", *GetParam().contents)
                                                 : (folder.path() / "missing.exe").string();
    OwnVersionInfoApi api;
    EXPECT_EQ(api.GetFileVersionInfoSize(path), 0u);
    Bytes block(64, 0xCC);
    EXPECT_FALSE(api.GetFileVersionInfo(path, block));
}

Bytes ImageWithVersionData(Bytes data) {
    itunes::library::Resource resource;
    resource.data = std::move(data);
    return itunes::library::BuildPeImage(std::span(&resource, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Files, NoVersionDataTest,
    testing::Values(
        NoVersionCase{"Missing", std::nullopt}, NoVersionCase{"Empty", Bytes{}},
        NoVersionCase{"PlainText", ToBytes("Season 1\r\nEpisode 1\r\nThis is no program.\r\n")},
        NoVersionCase{"ImageWithoutResources", itunes::library::BuildPeImage({})},
        // A version resource that holds no VS_VERSIONINFO block.
        NoVersionCase{"NotAVersionInfoBlock",
                      ImageWithVersionData(ToBytes("just some bytes here"))},
        NoVersionCase{"WrongRootKey", ImageWithVersionData(itunes::library::BuildVersionNode(
                                          itunes::library::BranchNode("VS_VERSIONINFO", {})))}),
    [](const testing::TestParamInfo<NoVersionCase>& param) { return param.param.name; });

TEST(OwnVersionInfoApi, AFolderHasNoVersionData) {
    ScopedTempFolder folder;
    OwnVersionInfoApi api;
    EXPECT_EQ(api.GetFileVersionInfoSize(folder.path().string()), 0u);
}

TEST(OwnVersionInfoApi, ReportsTheLocaleItWasGiven) {
    OwnVersionInfoApi api(WindowsLocale{0x0407, 1252});
    EXPECT_EQ(api.GetSystemDefaultLangID(), 0x0407);
    EXPECT_EQ(api.GetACP(), 1252u);
}

// versioned.dll is built at test-build time by the MinGW cross tools from mingw/versioned.rc:
// a real linker's image and a real resource compiler's block; without them, not built.
#ifdef VEXO_VERSIONED_DLL
class MingwDllTest : public testing::Test {
  protected:
    void SetUp() override {
        auto read = ReadBlock(api_, VEXO_VERSIONED_DLL);
        ASSERT_TRUE(read.has_value()) << VEXO_VERSIONED_DLL;
        block_ = std::move(*read);
    }

    std::optional<std::string> Text(const std::string& table, const std::string& key) {
        return api_.VerQueryValue(block_, "\\StringFileInfo\\" + table + "\\" + key);
    }

    OwnVersionInfoApi api_;
    Bytes block_;
};

TEST_F(MingwDllTest, GivesTheDeclaredTexts) {
    const std::vector<std::pair<std::string, std::string>> declared = {
        {"CompanyName", VERSIONED_COMPANY_NAME},
        {"FileDescription", VERSIONED_FILE_DESCRIPTION},
        {"FileVersion", VERSIONED_FILE_VERSION},
        {"InternalName", VERSIONED_INTERNAL_NAME},
        {"LegalCopyright", VERSIONED_LEGAL_COPYRIGHT},
        {"OriginalFilename", VERSIONED_ORIGINAL_FILENAME},
        {"ProductName", VERSIONED_PRODUCT_NAME},
        {"ProductVersion", VERSIONED_PRODUCT_VERSION},
        {"Comments", VERSIONED_COMMENTS},
        {"LegalTrademarks", "Vexo\u00AE \U0001F600"},
        {"PrivateBuild", VERSIONED_PRIVATE_BUILD},
    };
    for (const auto& [key, text] : declared) {
        EXPECT_EQ(Text("040904B0", key), text + '\0') << key;
    }
    EXPECT_EQ(Text("040904B0", "SpecialBuild"), std::nullopt);
    EXPECT_EQ(Text("040704B0", "CompanyName"), VERSIONED_GERMAN_COMPANY_NAME + "\0"s);
}

TEST_F(MingwDllTest, GivesTheTranslationTableAndFixedInfo) {
    EXPECT_EQ(api_.VerQueryValue(block_, "\\VarFileInfo\\Translation"),
              "\x09\x04\xB0\x04\x07\x04\xB0\x04"s);
    const auto fixed = api_.VerQueryValue(block_, "\\");
    ASSERT_TRUE(fixed.has_value());
    ASSERT_EQ(fixed->size(), 52u);
    EXPECT_EQ(fixed->substr(0, 4), "\xBD\x04\xEF\xFE"s);
    EXPECT_EQ(fixed->substr(8, 8), "\x01\x00\x07\x00\x3B\x00\x00\x00"s);  // FILEVERSION 7,1,0,59
    EXPECT_EQ(fixed->substr(36, 4), "\x02\x00\x00\x00"s);                 // FILETYPE VFT_DLL
}
#endif

}  // namespace
}  // namespace basFiles::test
