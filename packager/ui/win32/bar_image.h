// The progress bar's picture in a drawing context: filled with the button-face colour, the
// number drawn centred with a transparent background in the context's default font and text
// colour, the filled share inverted (the number's pixels inside it too), and a sunken edge
// around it all.
#pragma once

#include <cstdint>

#include "common/win32/windows_api.h"

namespace packager::win32 {

// Draws the bar for percent (at most 100) in the rectangle 0, 0, width, height of dc.
void DrawBarImage(HDC dc, int width, int height, std::uint32_t percent);

}  // namespace packager::win32
