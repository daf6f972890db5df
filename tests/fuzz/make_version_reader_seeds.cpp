// Writes the seed corpus of fuzz_version_reader into the folder named by its argument: PE
// images and bare VS_VERSIONINFO blocks of the shapes the reader meets, written by pewriter.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "importer/itunes/library/pe_image.h"
#include "importer/itunes/library/version_resource.h"
#include "tests/fuzz/seed_corpus.h"

namespace {

using namespace std::string_literals;

itunes::library::VersionInfo TypicalInfo() {
    itunes::library::VersionInfo info;
    info.fixedInfo = itunes::library::FixedFileInfo{};
    info.fixedInfo->fileVersion = {7, 1, 0, 59};
    info.fixedInfo->productVersion = {7, 1, 0, 59};
    info.stringTables.push_back({"040904B0",
                                 {{"CompanyName", "Apple Inc."},
                                  {"FileDescription", "iTunes"},
                                  {"FileVersion", "7.1.0.59"},
                                  {"InternalName", "iTunes"},
                                  {"LegalCopyright", "\u00A9 2000-2007"},
                                  {"OriginalFilename", "iTunes.exe"},
                                  {"ProductName", "iTunes"},
                                  {"ProductVersion", "7.1.0.59\0junk"s},
                                  {"Comments", "caf\u00E9 \U0001F600"},
                                  {"LegalTrademarks", ""},
                                  {"PrivateBuild", "p"},
                                  {"SpecialBuild", "s"}}});
    info.stringTables.push_back({"040704E4", {{"CompanyName", "Apple GmbH"}}});
    info.translations =
        std::vector<itunes::library::Translation>{{0x0409, 0x04B0}, {0x0407, 0x04E4}};
    return info;
}

}  // namespace

int main(int argc, char** argv) {
    const auto folder = vexo::fuzz::SeedFolder(argc, argv);
    if (!folder) {
        return 2;
    }

    const itunes::library::VersionInfo typical = TypicalInfo();
    itunes::library::VersionInfo noTranslation = typical;
    noTranslation.translations.reset();
    itunes::library::VersionInfo fixedOnly;
    fixedOnly.fixedInfo = typical.fixedInfo;
    itunes::library::VersionInfo byteLengths = typical;
    byteLengths.textLengthsInBytes = true;

    std::vector<itunes::library::Resource> several(3);
    several[0].type = 6;
    several[0].data = {'s', 't', 'r'};
    several[1].name = 2;
    several[1].data = itunes::library::BuildVersionInfoBlock(fixedOnly);
    several[2].data = itunes::library::BuildVersionInfoBlock(typical);

    using itunes::library::ImageFormat;
    using itunes::library::ImageKind;
    const vexo::fuzz::Seeds seeds = {
        {"pe32_exe", itunes::library::BuildVersionedImage(typical)},
        {"pe32plus_dll", itunes::library::BuildVersionedImage(
                             typical, {ImageKind::Library, ImageFormat::Pe32Plus})},
        {"no_translation_exe", itunes::library::BuildVersionedImage(noTranslation)},
        {"fixed_only_dll", itunes::library::BuildVersionedImage(fixedOnly, {ImageKind::Library})},
        {"byte_lengths_exe", itunes::library::BuildVersionedImage(byteLengths)},
        {"several_resources_exe", itunes::library::BuildPeImage(several)},
        {"no_resources_exe", itunes::library::BuildPeImage({})},
        {"block", itunes::library::BuildVersionInfoBlock(typical)},
        {"block_byte_lengths", itunes::library::BuildVersionInfoBlock(byteLengths)},
        {"block_fixed_only", itunes::library::BuildVersionInfoBlock(fixedOnly)},
    };
    return vexo::fuzz::WriteSeeds(*folder, seeds) ? 0 : 1;
}
