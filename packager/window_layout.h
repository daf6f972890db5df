// The progress window's fixed geometry, in pixels: 600 x 200, centred on the desktop (integer
// division rounding toward zero), with the status line, the painted bar and the Cancel button
// placed in its client area of width cw and height ch.
#pragma once

#include <string_view>

namespace packager {

inline constexpr std::string_view kWindowCaption = "VEXO(tm) Package Delivery System";
inline constexpr std::string_view kCancelCaption = "Cancel";
inline constexpr int kWindowWidth = 600;
inline constexpr int kWindowHeight = 200;

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct PixelPoint {
    int x = 0;
    int y = 0;

    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct ProgressWindowLayout {
    PixelRect status;  // the status line, centred both ways on one line
    PixelRect bar;     // ProgressBarRect: the part of the window the bar is copied to
    PixelRect cancel;
};

// The window's top-left corner on a desktop of the given size.
PixelPoint CentredWindowOrigin(int desktopWidth, int desktopHeight);

ProgressWindowLayout LayOutProgressWindow(int clientWidth, int clientHeight);

// The off-screen picture of the bar: as wide as the bar, one pixel higher than what is copied.
inline constexpr int kBarImageHeight = 30;

}  // namespace packager
