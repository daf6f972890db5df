#include "importer/ui/win32/screen_twips.h"

#include <windows.h>

#include <cmath>

namespace plumex::win32 {

TwipsPerPixel ScreenTwipsPerPixel() {
    TwipsPerPixel factors;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return factors;
    }
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
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
