// VEXOSetup.exe's icon as the system reads it from the built program: an image of each size
// Windows shows, decoded by the system itself (the images are PNGs) and drawn, off screen.
#include "common/win32/windows_api.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

#include "common/win32/scoped_win.h"
#include "packager/ui/win32/resource_ids.h"
#include "tests/packager/win32/win32_test_support.h"

namespace packager::win32::test {
namespace {

using common::win32::GdiObject;
using common::win32::MemoryDc;
using common::win32::SelectedObject;

struct FreeModule {
    void operator()(HMODULE module) const { ::FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule>;

struct DestroyIcon {
    void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
using Icon = std::unique_ptr<std::remove_pointer_t<HICON>, DestroyIcon>;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

std::span<const BYTE> Resource(HMODULE module, int id, LPCSTR type) {
    const HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), type);
    const auto* bytes =
        found != nullptr ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)))
                         : nullptr;
    return {bytes, bytes != nullptr ? ::SizeofResource(module, found) : 0};
}

// The program icon's image of this edge as the system decodes it; null when there is none.
Icon ImageOfEdge(HMODULE module, int edge) {
    const std::span<const BYTE> group = Resource(module, VEXO_SETUP_ICON, RT_GROUP_ICON);
    constexpr std::size_t kEntryBytes = 14;
    for (std::size_t at = 6; at + kEntryBytes <= group.size(); at += kEntryBytes) {
        if (group[at] == edge) {
            const std::span<const BYTE> image =
                Resource(module, group[at + 12] | (group[at + 13] << 8), RT_ICON);
            return Icon(::CreateIconFromResourceEx(const_cast<BYTE*>(image.data()),
                                                   static_cast<DWORD>(image.size()), TRUE,
                                                   0x00030000, edge, edge, LR_DEFAULTCOLOR));
        }
    }
    return nullptr;
}

// The icon drawn over a background of one colour, pixel by pixel.
std::vector<COLORREF> Drawn(HICON icon, int edge, COLORREF background) {
    const MemoryDc memory(nullptr);
    const GdiObject<HBITMAP> bitmap(testing_support::MakeOffScreenBitmap(memory.Get(), edge, edge));
    const GdiObject<HBRUSH> brush(::CreateSolidBrush(background));
    const SelectedObject selected(memory.Get(), bitmap.Get());
    const RECT all{0, 0, edge, edge};
    ::FillRect(memory.Get(), &all, brush.Get());
    ::DrawIconEx(memory.Get(), 0, 0, icon, edge, edge, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < edge; ++y) {
        for (int x = 0; x < edge; ++x) {
            pixels.push_back(::GetPixel(memory.Get(), x, y));
        }
    }
    return pixels;
}

class StubIconTest : public ::testing::TestWithParam<int> {};

// A 16-colour picture: every pixel is either the picture's own (the same over both
// backgrounds) or transparent, and there are both.
TEST_P(StubIconTest, HasAPictureOfThisEdgeWithOpaqueAndTransparentPixels) {
    const int edge = GetParam();
    const Module program(::LoadLibraryExA(VEXO_SETUP_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_NE(program, nullptr);
    const Icon icon = ImageOfEdge(program.get(), edge);
    ASSERT_NE(icon, nullptr);
    const std::vector<COLORREF> overWhite = Drawn(icon.get(), edge, kWhite);
    const std::vector<COLORREF> overBlack = Drawn(icon.get(), edge, kBlack);
    ASSERT_EQ(overWhite.size(), overBlack.size());
    int opaque = 0;
    int transparent = 0;
    for (std::size_t i = 0; i < overWhite.size(); ++i) {
        opaque += overWhite[i] == overBlack[i] ? 1 : 0;
        transparent += overWhite[i] == kWhite && overBlack[i] == kBlack ? 1 : 0;
    }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(transparent, 0);
    EXPECT_EQ(opaque + transparent, edge * edge);
}

INSTANTIATE_TEST_SUITE_P(WindowsSizes, StubIconTest, ::testing::Values(16, 32, 48));

}  // namespace
}  // namespace packager::win32::test
