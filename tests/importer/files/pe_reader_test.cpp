#include "importer/files/pe_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "common/byte_source.h"
#include "importer/itunes/library/pe_image.h"
#include "tests/importer/files/version_test_files.h"

namespace basFiles::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using itunes::library::ImageFormat;
using itunes::library::ImageKind;

std::optional<Bytes> VersionResourceOf(const Bytes& image) {
    common::MemoryByteSource source(image);
    return ReadVersionResource(source);
}

Bytes TypicalBlock() {
    return itunes::library::BuildVersionInfoBlock(testing_support::TypicalVersionInfo());
}

Bytes TypicalImage() {
    return itunes::library::BuildVersionedImage(testing_support::TypicalVersionInfo());
}

struct ImageCase {
    ImageKind kind;
    ImageFormat format;
};

class PeImageKindsTest : public testing::TestWithParam<ImageCase> {};

TEST_P(PeImageKindsTest, GivesTheVersionResourceBytes) {
    const Bytes image = itunes::library::BuildVersionedImage(testing_support::TypicalVersionInfo(),
                                                             {GetParam().kind, GetParam().format});
    EXPECT_EQ(VersionResourceOf(image), TypicalBlock());
}

INSTANTIATE_TEST_SUITE_P(Images, PeImageKindsTest,
                         testing::Values(ImageCase{ImageKind::Executable, ImageFormat::Pe32},
                                         ImageCase{ImageKind::Library, ImageFormat::Pe32},
                                         ImageCase{ImageKind::Executable, ImageFormat::Pe32Plus},
                                         ImageCase{ImageKind::Library, ImageFormat::Pe32Plus}));

itunes::library::Resource MakeResource(std::uint16_t type, std::uint16_t name,
                                       std::uint16_t language, const std::string& data) {
    itunes::library::Resource resource;
    resource.type = type;
    resource.name = name;
    resource.language = language;
    resource.data.assign(data.begin(), data.end());
    return resource;
}

struct ChoiceCase {
    std::string name;
    std::vector<itunes::library::Resource> resources;
    std::optional<std::string> chosen;
};

void PrintTo(const ChoiceCase& c, std::ostream* out) {
    *out << c.name;
}

class ResourceChoiceTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(ResourceChoiceTest, TakesTypeSixteenNameOne) {
    const auto data = VersionResourceOf(itunes::library::BuildPeImage(GetParam().resources));
    if (GetParam().chosen) {
        ASSERT_TRUE(data.has_value());
        EXPECT_EQ(std::string(data->begin(), data->end()), *GetParam().chosen);
    } else {
        EXPECT_FALSE(data.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Resources, ResourceChoiceTest,
    testing::Values(
        ChoiceCase{"AmongOtherTypes",
                   {MakeResource(6, 1, 0x0409, "strings"), MakeResource(16, 1, 0x0409, "version"),
                    MakeResource(24, 1, 0x0409, "manifest")},
                   "version"},
        ChoiceCase{"NameOnePreferred",
                   {MakeResource(16, 2, 0x0409, "two"), MakeResource(16, 1, 0x0409, "one")},
                   "one"},
        ChoiceCase{"ElseTheFirstName",
                   {MakeResource(16, 5, 0x0409, "five"), MakeResource(16, 3, 0x0409, "three")},
                   "three"},
        ChoiceCase{"UsEnglishBeforeAFirstLanguage",
                   {MakeResource(16, 1, 0x0409, "english"), MakeResource(16, 1, 0x0407, "german")},
                   "english"},
        ChoiceCase{"NoVersionType", {MakeResource(6, 1, 0x0409, "strings")}, std::nullopt},
        ChoiceCase{"VersionIdAsName", {MakeResource(1, 16, 0x0409, "icon")}, std::nullopt},
        ChoiceCase{"NoResources", {}, std::nullopt}),
    [](const testing::TestParamInfo<ChoiceCase>& param) { return param.param.name; });

// Of one resource in several languages, the one the Windows loader takes on a system of a
// given language.
struct LanguageCase {
    std::string name;
    std::vector<std::uint16_t> languages;
    std::uint16_t systemLanguage;
    std::uint16_t chosen;
};

void PrintTo(const LanguageCase& c, std::ostream* out) {
    *out << c.name;
}

class LanguageChoiceTest : public testing::TestWithParam<LanguageCase> {};

TEST_P(LanguageChoiceTest, TakesTheLanguageTheLoaderWould) {
    std::vector<itunes::library::Resource> resources;
    for (const std::uint16_t language : GetParam().languages) {
        resources.push_back(MakeResource(16, 1, language, std::to_string(language)));
    }
    const Bytes image = itunes::library::BuildPeImage(resources);
    common::MemoryByteSource source(image);
    const auto data = ReadVersionResource(source, GetParam().systemLanguage);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(std::string(data->begin(), data->end()), std::to_string(GetParam().chosen));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, LanguageChoiceTest,
    testing::Values(
        LanguageCase{"NeutralFirst", {0x0407, 0x0000, 0x0409}, 0x0407, 0x0000},
        LanguageCase{"TheSystemsLanguage", {0x0407, 0x0409, 0x040C}, 0x040C, 0x040C},
        // German (Switzerland): German without a sublanguage, then German (Germany).
        LanguageCase{"PrimaryLanguageNeutral", {0x0407, 0x0007, 0x0409}, 0x0807, 0x0007},
        LanguageCase{"PrimaryLanguageDefault", {0x0C07, 0x0407, 0x0409}, 0x0807, 0x0407},
        LanguageCase{"ThenUsEnglish", {0x0407, 0x0409}, 0x040C, 0x0409},
        LanguageCase{"ElseTheFirst", {0x040C, 0x0407}, 0x0411, 0x0407}),
    [](const testing::TestParamInfo<LanguageCase>& param) { return param.param.name; });

TEST(PeReader, CutsTheReadToSixtyFourKilobytes) {
    const std::vector<itunes::library::Resource> resources = {
        MakeResource(16, 1, 0x0409, std::string(100000, 'v'))};
    const auto data = VersionResourceOf(itunes::library::BuildPeImage(resources));
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->size(), kMaxVersionResourceBytes);
}

// File offsets of the structures of a one-resource image made by pewriter.
struct ImageLayout {
    std::size_t pe = 0;
    std::size_t optional = 0;
    std::size_t resourceDirectoryEntry = 0;  // data directory 2
    std::size_t resourceSectionHeader = 0;
    std::size_t resourceSection = 0;
    std::size_t typeEntry = 0;      // the root's entry for RT_VERSION
    std::size_t nameDirectory = 0;  // the directory below it
    std::size_t languageEntry = 0;
    std::size_t dataEntry = 0;
};

ImageLayout Locate(const Bytes& image) {
    ImageLayout at;
    at.pe = common::LoadLe32(image, 0x3C);
    at.optional = at.pe + 24;
    const bool plus = common::LoadLe16(image, at.optional) == 0x20B;
    at.resourceDirectoryEntry = at.optional + (plus ? 112 : 96) + 16;
    const std::size_t sections = at.optional + common::LoadLe16(image, at.pe + 20);
    at.resourceSectionHeader = sections + 40 * (common::LoadLe16(image, at.pe + 6) - 1u);
    at.resourceSection = common::LoadLe32(image, at.resourceSectionHeader + 20);
    at.typeEntry = at.resourceSection + 16;
    const std::size_t typeDirectory =
        at.resourceSection + (common::LoadLe32(image, at.typeEntry + 4) & 0x7FFFFFFF);
    at.nameDirectory =
        at.resourceSection + (common::LoadLe32(image, typeDirectory + 16 + 4) & 0x7FFFFFFF);
    at.languageEntry = at.nameDirectory + 16;
    at.dataEntry = at.resourceSection + common::LoadLe32(image, at.languageEntry + 4);
    return at;
}

void Put16(Bytes& image, std::size_t at, std::uint16_t value) {
    common::PutLe16(&image[at], value);
}

void Put32(Bytes& image, std::size_t at, std::uint32_t value) {
    common::PutLe32(&image[at], value);
}

struct DamageCase {
    std::string name;
    std::function<void(Bytes&, const ImageLayout&)> damage;
    bool stillFound = false;
};

void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.name;
}

class DamagedImageTest : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedImageTest, IsRejectedWithoutReadingOutside) {
    for (const ImageFormat format : {ImageFormat::Pe32, ImageFormat::Pe32Plus}) {
        Bytes image = itunes::library::BuildVersionedImage(testing_support::TypicalVersionInfo(),
                                                           {ImageKind::Executable, format});
        GetParam().damage(image, Locate(image));
        if (GetParam().stillFound) {
            EXPECT_EQ(VersionResourceOf(image), TypicalBlock());
        } else {
            EXPECT_EQ(VersionResourceOf(image), std::nullopt);
        }
    }
}

const std::uint32_t kSubdirectory = 0x80000000;

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedImageTest,
    testing::Values(
        DamageCase{"NoMzSignature", [](Bytes& b, const ImageLayout&) { b[1] = 'Y'; }},
        DamageCase{"NewHeaderPastTheEnd",
                   [](Bytes& b, const ImageLayout&) { Put32(b, 0x3C, 0xFFFFFFF0); }},
        DamageCase{"NewHeaderAtTheEnd",
                   [](Bytes& b, const ImageLayout&) {
                       Put32(b, 0x3C, static_cast<std::uint32_t>(b.size() - 2));
                   }},
        DamageCase{"NoPeSignature", [](Bytes& b, const ImageLayout& at) { b[at.pe + 1] = 'F'; }},
        DamageCase{"RomImageMagic",
                   [](Bytes& b, const ImageLayout& at) { Put16(b, at.optional, 0x107); }},
        DamageCase{"OptionalHeaderTooShortForResources",
                   [](Bytes& b, const ImageLayout& at) {
                       Put16(
                           b, at.pe + 20,
                           static_cast<std::uint16_t>(at.resourceDirectoryEntry - at.optional + 4));
                   }},
        DamageCase{"TwoDataDirectories",
                   [](Bytes& b, const ImageLayout& at) {
                       Put32(b, at.resourceDirectoryEntry - 16 - 4, 2);
                   }},
        DamageCase{"NoResourceDirectory",
                   [](Bytes& b, const ImageLayout& at) { Put32(b, at.resourceDirectoryEntry, 0); }},
        DamageCase{"ResourceDirectoryOutsideSections",
                   [](Bytes& b, const ImageLayout& at) {
                       Put32(b, at.resourceDirectoryEntry, 0x7FFFF000);
                   }},
        DamageCase{"SectionTablePastTheEnd",
                   [](Bytes& b, const ImageLayout& at) { Put16(b, at.pe + 6, 0xFFFF); }},
        DamageCase{"NoSections", [](Bytes& b, const ImageLayout& at) { Put16(b, at.pe + 6, 0); }},
        DamageCase{"SectionDataPastTheEnd",
                   [](Bytes& b, const ImageLayout& at) {
                       Put32(b, at.resourceSectionHeader + 20, 0xFFFFFE00);
                   }},
        DamageCase{
            "SectionMappedShorterThanItsData",
            [](Bytes& b, const ImageLayout& at) { Put32(b, at.resourceSectionHeader + 8, 0x40); }},
        DamageCase{
            "RootClaimsManyEntries",
            [](Bytes& b, const ImageLayout& at) { Put16(b, at.resourceSection + 14, 0xFFFF); }},
        DamageCase{"TypeEntryIsALeaf",
                   [](Bytes& b, const ImageLayout& at) {
                       Put32(b, at.typeEntry + 4,
                             common::LoadLe32(b, at.typeEntry + 4) & ~kSubdirectory);
                   }},
        DamageCase{
            "TypeEntryPointsAtTheRoot",
            [](Bytes& b, const ImageLayout& at) { Put32(b, at.typeEntry + 4, kSubdirectory); }},
        DamageCase{"SubdirectoryFarOutside",
                   [](Bytes& b, const ImageLayout& at) {
                       Put32(b, at.typeEntry + 4, kSubdirectory | 0x7FFFFFFF);
                   }},
        DamageCase{"EmptyNameDirectory",
                   [](Bytes& b, const ImageLayout& at) { Put16(b, at.nameDirectory + 14, 0); }},
        DamageCase{"DataOutsideTheSection",
                   [](Bytes& b, const ImageLayout& at) {
                       Put32(b, at.dataEntry, common::LoadLe32(b, at.dataEntry) + 0x10000);
                   }},
        DamageCase{"DataRvaWrapsAround",
                   [](Bytes& b, const ImageLayout& at) { Put32(b, at.dataEntry, 0xFFFFFFF0); }},
        DamageCase{"DataSizeZero",
                   [](Bytes& b, const ImageLayout& at) { Put32(b, at.dataEntry + 4, 0); }},
        DamageCase{"DataSizeHuge",
                   [](Bytes& b, const ImageLayout& at) { Put32(b, at.dataEntry + 4, 0xFFFFFFFF); }},
        // A subdirectory flag where a leaf belongs is ignored.
        DamageCase{"LanguageEntryFlaggedAsDirectory",
                   [](Bytes& b, const ImageLayout& at) {
                       Put32(b, at.languageEntry + 4,
                             common::LoadLe32(b, at.languageEntry + 4) | kSubdirectory);
                   },
                   true}),
    [](const testing::TestParamInfo<DamageCase>& param) { return param.param.name; });

// Cut anywhere, an image gives either nothing or exactly its resource (which lies before the
// section's padding at the end of the file).
TEST(PeReader, TruncatedImagesGiveNothingOrTheWholeResource) {
    const Bytes image = TypicalImage();
    const Bytes block = TypicalBlock();
    std::size_t complete = 0;
    for (std::size_t size = 0; size <= image.size(); ++size) {
        const Bytes cut(image.begin(), image.begin() + static_cast<long>(size));
        const auto data = VersionResourceOf(cut);
        if (data) {
            EXPECT_EQ(*data, block) << "cut at " << size;
            ++complete;
        }
    }
    EXPECT_GT(complete, 0u);
    EXPECT_LT(complete, image.size());
}

TEST(PeReader, RejectsBytesThatAreNoImage) {
    const std::string text =
        "This is a plain text file, long enough to pass for a DOS header. "
        "It has no MZ signature.";
    EXPECT_EQ(VersionResourceOf(Bytes(text.begin(), text.end())), std::nullopt);
    EXPECT_EQ(VersionResourceOf({}), std::nullopt);
    EXPECT_EQ(VersionResourceOf({'M', 'Z'}), std::nullopt);
    Bytes dosOnly(128, 0);
    dosOnly[0] = 'M';
    dosOnly[1] = 'Z';
    dosOnly[0x3C] = 0x40;
    EXPECT_EQ(VersionResourceOf(dosOnly), std::nullopt);
}

}  // namespace
}  // namespace basFiles::test
