#include "importer/forms/twips.h"

#include "importer/files/numbers.h"

namespace forms {

double PixelsToTwipsY(double pixelRow, double twipsPerPixelY) {
    return pixelRow * twipsPerPixelY;
}

std::optional<std::int32_t> TwipsToPixelsY(double lengthTwips, double twipsPerPixelY) {
    const std::optional<std::int32_t> length = basFiles::RoundToLong(lengthTwips);
    const std::optional<std::int32_t> factor = basFiles::RoundToLong(twipsPerPixelY);
    if (!length || !factor || *factor <= 0) {
        return std::nullopt;
    }
    return *length / *factor;
}

std::optional<std::int32_t> TwipsToNearestPixel(double twips, double twipsPerPixel) {
    if (!(twipsPerPixel > 0)) {
        return std::nullopt;
    }
    return basFiles::RoundToLong(twips / twipsPerPixel);
}

}  // namespace forms
