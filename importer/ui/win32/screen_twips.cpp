#include "importer/ui/win32/screen_twips.h"

#include <windows.h>

#include <cmath>

#include "common/win32/scoped_win.h"

namespace plumex::win32 {

TwipsPerPixel ScreenTwipsPerPixel() {
    TwipsPerPixel factors;
    // A context compatible with the screen has the screen's dots per inch.
    const common::win32::MemoryDc screen(nullptr);
    if (!screen) {
        return factors;
    }
    const int dpiX = GetDeviceCaps(screen.Get(), LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    if (dpiX > 0) {
        factors.x = 1440.0 / dpiX;
    }
    if (dpiY > 0) {
        factors.y = 1440.0 / dpiY;
    }
    return factors;
}

int TwipsToPixels(double twips, double factor) {
    return static_cast<int>(std::lround(twips / factor));
}

}  // namespace plumex::win32
