// The texts in which clsRegistry keeps a window's position and size: numbers in twips,
// separated by blanks, and the rule that keeps a restored window on the screen.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace registry {

// A single-precision number in plain decimal form: whole numbers without a decimal point, a
// leading "-" for negative values, no thousands separators. A fraction is written with ".",
// the program's decimal separator, whatever the locale.
std::string FormatTwips(float value);

// Splits a stored text into count numbers: the text without surrounding blanks is cut at its
// first blank, field after field, each field without surrounding blanks; the last field is
// all that remains, so "100 200 300" read as two fields gives 100 and 200300. Each field is
// the leading number of its text. std::nullopt when a blank is missing where a further field
// must follow, or when a number does not fit a single-precision value.
std::optional<std::vector<float>> SplitPlacementText(std::string_view text, std::size_t count);

// Keeps a window of the given size on the screen: the right and bottom edges are fitted
// first, the left and top edges last, so a window larger than the screen ends at its left
// or top edge. Every sum and comparison is in single precision.
void ScreenFit(float& left, float& top, float width, float height, float screenWidth,
               float screenHeight);

}  // namespace registry
