#include "importer/forms/gradient.h"

#include <algorithm>
#include <optional>

#include "importer/files/numbers.h"
#include "importer/forms/twips.h"

namespace forms {
namespace {

Colour ColourAt(GradientColour choice, std::uint8_t level) {
    Colour colour;
    switch (choice) {
        case GradientColour::Green:
            colour.green = level;
            break;
        case GradientColour::Blue:
            colour.blue = level;
            break;
        case GradientColour::Red:
            colour.red = level;
            break;
    }
    return colour;
}

}  // namespace

GradientColour ChooseGradientColour(bool green, bool blue, bool red) {
    if (green || (!blue && !red)) {
        return GradientColour::Green;
    }
    return blue ? GradientColour::Blue : GradientColour::Red;
}

std::uint8_t GradientLevel(std::int32_t row, std::int32_t rows) {
    if (rows <= 0) {
        return 0;
    }
    const double exact = static_cast<double>(row) * 256.0 / static_cast<double>(rows);
    // Any value beyond 32 bits lies far outside 0 .. 255; the sign alone decides the clamp.
    const std::int32_t rounded = basFiles::RoundToLong(exact).value_or(exact < 0 ? 0 : 255);
    return static_cast<std::uint8_t>(std::clamp(rounded, 0, 255));
}

std::vector<GradientLine> PaintGradient(const GradientSurface& window, bool green, bool blue,
                                        bool red) {
    const GradientColour choice = ChooseGradientColour(green, blue, red);
    const std::int32_t rows =
        TwipsToPixelsY(window.clientHeight, window.twipsPerPixelY).value_or(0);
    std::vector<GradientLine> lines;
    if (rows <= 0) {
        return lines;
    }
    lines.reserve(static_cast<std::size_t>(rows));
    for (std::int32_t i = 0; i < rows; ++i) {
        lines.push_back(GradientLine{i, PixelsToTwipsY(i, window.twipsPerPixelY),
                                     ColourAt(choice, GradientLevel(i, rows))});
    }
    return lines;
}

}  // namespace forms
