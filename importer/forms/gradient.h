// The background shared by the main window and the Help window: a vertical gradient from black
// in the top pixel row to one full colour component at the bottom, one line per pixel row.
// The frontend draws each line across the whole client width.
#pragma once

#include <cstdint>
#include <vector>

#include "importer/forms/colour.h"

namespace forms {

enum class GradientColour { Green, Blue, Red };

// Green when chosen or when nothing is chosen, else blue when chosen, else red.
GradientColour ChooseGradientColour(bool green, bool blue, bool red);

// What a window offers the gradient: its client height and vertical factor, both from the
// screen the window is on.
struct GradientSurface {
    double clientHeight = 0;  // twips
    double twipsPerPixelY = 15;
};

struct GradientLine {
    std::int32_t row = 0;  // pixel row from the top of the client area
    double y = 0;          // the same row in twips
    Colour colour;
};

// The intensity of row i of rows: i x 256 / rows as a real, rounded halves to even and kept
// within 0 .. 255 (the last rows of a tall window would otherwise reach 256).
std::uint8_t GradientLevel(std::int32_t row, std::int32_t rows);

// The lines to draw, top to bottom. None for a client area less than one pixel high (a
// minimised window) or one whose height cannot be converted to pixels.
std::vector<GradientLine> PaintGradient(const GradientSurface& window, bool green, bool blue,
                                        bool red);

}  // namespace forms
