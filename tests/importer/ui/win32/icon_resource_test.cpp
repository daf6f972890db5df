// The icons as the programs carry them, read back through the resource calls Windows itself
// uses: Plumex.exe's seven images, the Help window's two in 16 colours.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "importer/ui/win32/resource_ids.h"

namespace plumex::win32::test {
namespace {

// An icon group's images as edge and bit count, in the order the group keeps them; each
// image's own header agreeing with its entry.
std::vector<std::pair<int, int>> GroupImages(HMODULE module, int id) {
    std::vector<std::pair<int, int>> images;
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // group
    const auto* directory =
        group != nullptr ? static_cast<const BYTE*>(LockResource(LoadResource(module, group)))
                         : nullptr;
    if (directory == nullptr) {
        return images;
    }
    const int count = directory[4] | (directory[5] << 8);
    for (int i = 0; i < count; ++i) {
        const BYTE* entry = directory + 6 + 14 * i;
        const int edge = entry[0] == 0 ? 256 : entry[0];
        const int bits = entry[6] | (entry[7] << 8);
        const int imageId = entry[12] | (entry[13] << 8);
        HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(imageId), MAKEINTRESOURCEA(3));
        const auto* header =
            image != nullptr ? static_cast<const BYTE*>(LockResource(LoadResource(module, image)))
                             : nullptr;
        EXPECT_NE(header, nullptr);
        if (header != nullptr) {
            EXPECT_EQ(header[14] | (header[15] << 8), bits) << "image " << i;
        }
        images.emplace_back(edge, bits);
    }
    return images;
}

struct IconCase {
    const char* name;
    const char* module;  // nullptr: this program, which links the windows' art
    int id;
    std::vector<std::pair<int, int>> images;
};

void PrintTo(const IconCase& c, std::ostream* out) {
    *out << c.name;
}

class IconResourceTest : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconResourceTest, HoldsItsImagesInTheirDepths) {
    const IconCase& c = GetParam();
    HMODULE module = c.module == nullptr
                         ? GetModuleHandleA(nullptr)
                         : LoadLibraryExA(c.module, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << c.module;
    EXPECT_EQ(GroupImages(module, c.id), c.images);
    if (c.module != nullptr) {
        FreeLibrary(module);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Icons, IconResourceTest,
    ::testing::Values(
        // 48, 32 and 16 pixels in 256 colours, then 128, 48, 32 and 16 in 32-bit colour.
        IconCase{"Program",
                 VEXO_PLUMEX_PATH,
                 IDI_PLUMEX,
                 {{48, 8}, {32, 8}, {16, 8}, {128, 32}, {48, 32}, {32, 32}, {16, 32}}},
        IconCase{"Help", nullptr, IDI_HELP, {{32, 4}, {16, 4}}}),
    [](const ::testing::TestParamInfo<IconCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace plumex::win32::test
