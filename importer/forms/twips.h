// Conversions between twips, the windows' logical unit, and screen pixels. The twips-per-pixel
// factor of an axis is the screen's (15 at 96 dots per inch, 12 at 120).
#pragma once

#include <cstdint>
#include <optional>

namespace forms {

// The top of a pixel row, in twips: the row times the vertical factor.
double PixelsToTwipsY(double pixelRow, double twipsPerPixelY);

// A length in twips as whole pixels: the length and the factor each rounded to a 32-bit
// integer (halves to even), then divided with the remainder dropped. std::nullopt when either
// rounding overflows or the factor rounds to 0 or less, where there would be nothing sound to
// divide by.
std::optional<std::int32_t> TwipsToPixelsY(double lengthTwips, double twipsPerPixelY);

// A mouse coordinate in twips as the whole pixel it lies on: the quotient rounded to the
// nearest integer, halves to even. std::nullopt when the result is no 32-bit integer (or the
// factor is not positive).
std::optional<std::int32_t> TwipsToNearestPixel(double twips, double twipsPerPixel);

}  // namespace forms
