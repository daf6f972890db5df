// The screen's twips-per-pixel factors (1440 / dots per inch of each axis): 15 at 96 dpi.
#pragma once

namespace plumex::win32 {

struct TwipsPerPixel {
    double x = 15;
    double y = 15;
};

// From the screen's logical dots per inch; 15 on an axis the screen does not report.
TwipsPerPixel ScreenTwipsPerPixel();

// A length or position in twips as the nearest whole pixel on an axis of factor.
int TwipsToPixels(double twips, double factor);

}  // namespace plumex::win32
