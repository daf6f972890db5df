// Rectangles of the About and Help windows: window placements in twips, artwork in pixels.
#pragma once

#include <cstdint>

namespace forms {

// A window or control in twips: left, top, width, height.
struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

struct PixelPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// A rectangle of client pixels given by its edges, both edges inside.
struct PixelBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool Contains(PixelPoint point) const {
        return point.x >= left && point.x <= right && point.y >= top && point.y <= bottom;
    }
};

struct PixelSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

}  // namespace forms
