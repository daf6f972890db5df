#include "importer/ui/win32/alpha_picture.h"

#include <cstdint>
#include <cstring>

#include "common/win32/scoped_win.h"

namespace plumex::win32 {

GdiBitmap PremultipliedCopy(const GdiBitmap& picture) {
    DIBSECTION source{};
    if (!picture || GetObjectA(picture.Handle(), sizeof source, &source) != sizeof source ||
        source.dsBm.bmBitsPixel != 32 || source.dsBm.bmBits == nullptr) {
        return {};
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.Width();
    info.bmiHeader.biHeight = -picture.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (copy == nullptr) {
        return {};
    }
    GdiBitmap result(copy, picture.Width(), picture.Height());
    const auto bytes =
        static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height()) * 4;
    std::memcpy(bits, source.dsBm.bmBits, bytes);
    auto* pixel = static_cast<std::uint8_t*>(bits);
    for (std::size_t i = 0; i < bytes; i += 4) {
        const unsigned alpha = pixel[i + 3];
        for (std::size_t channel = 0; channel < 3; ++channel) {
            pixel[i + channel] =
                static_cast<std::uint8_t>((pixel[i + channel] * alpha + 127) / 255);
        }
    }
    GdiFlush();
    return result;
}

void DrawPremultiplied(HDC dc, const GdiBitmap& picture, const RECT& target) {
    if (!picture) {
        return;
    }
    const common::win32::MemoryDc memory(dc);
    if (!memory) {
        return;
    }
    const common::win32::SelectedObject selected(memory.Get(), picture.Handle());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SetStretchBltMode(dc, HALFTONE);
    AlphaBlend(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
               memory.Get(), 0, 0, picture.Width(), picture.Height(), blend);
}

}  // namespace plumex::win32
