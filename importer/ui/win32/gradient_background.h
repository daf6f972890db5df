// The green gradient behind the main window's controls, drawn one pixel row at a time as the
// portable gradient rule gives the rows.
#pragma once

#include <windows.h>

namespace plumex::win32 {

// Fills the client area (width x height pixels) of a window on a screen of twipsPerPixelY;
// nothing for a height of 0 (a minimised window).
void PaintGreenGradient(HDC dc, int width, int height, double twipsPerPixelY);

}  // namespace plumex::win32
