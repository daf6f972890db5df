#include "importer/forms/help_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "importer/files/numbers.h"

namespace forms {
namespace {

// A window length rounded to a 32-bit integer (halves to even) and kept from going negative.
// A length beyond 32 bits is held at the largest one instead of failing: a window size is no
// reason to stop the program.
std::int32_t WindowLength(double twips) {
    if (std::isnan(twips)) {
        return 0;
    }
    const std::optional<std::int32_t> rounded = basFiles::RoundToLong(twips);
    if (!rounded) {
        return twips > 0 ? std::numeric_limits<std::int32_t>::max() : 0;
    }
    return std::max(*rounded, 0);
}

double Margin(double twipsPerPixel) {
    return kHelpMarginPixels * twipsPerPixel;
}

}  // namespace

std::int32_t HelpWindowWidth(const HelpMetrics& metrics) {
    const double frame = metrics.outerWidth - metrics.clientWidth;
    const double pictures =
        (kFolderPictureSize.width + kFilePictureSize.width) * metrics.twipsPerPixelX;
    return WindowLength(frame + 2 * Margin(metrics.twipsPerPixelX) + pictures);
}

std::int32_t HelpWindowHeight(const HelpMetrics& metrics, double labelHeight) {
    const double frame = metrics.outerHeight - metrics.clientHeight;
    const double picture = kFilePictureSize.height * metrics.twipsPerPixelY;
    return WindowLength(frame + 3 * Margin(metrics.twipsPerPixelY) + labelHeight + picture);
}

double HelpLabelWidth(double clientWidth, double twipsPerPixelX) {
    return std::max(clientWidth - 2 * Margin(twipsPerPixelX), 0.0);
}

TwipsRect CentreOver(const TwipsRect& owner, std::int32_t width, std::int32_t height) {
    return TwipsRect{owner.left + (owner.width - width) / 2.0,
                     owner.top + (owner.height - height) / 2.0, static_cast<double>(width),
                     static_cast<double>(height)};
}

TwipsRect HelpWindowBounds(const HelpMetrics& metrics, const TwipsRect& mainWindow,
                           double labelHeight) {
    return CentreOver(mainWindow, HelpWindowWidth(metrics), HelpWindowHeight(metrics, labelHeight));
}

HelpControls ArrangeHelpControls(double clientWidth, double labelHeight, double twipsPerPixelX,
                                 double twipsPerPixelY) {
    const double mx = Margin(twipsPerPixelX);
    const double my = Margin(twipsPerPixelY);
    HelpControls controls;
    controls.lblHelp = TwipsRect{mx, my, HelpLabelWidth(clientWidth, twipsPerPixelX), labelHeight};
    controls.imgFolder =
        TwipsRect{mx, my + labelHeight + my, kFolderPictureSize.width * twipsPerPixelX,
                  kFolderPictureSize.height * twipsPerPixelY};
    controls.imgFile = TwipsRect{mx + controls.imgFolder.width, controls.imgFolder.top,
                                 kFilePictureSize.width * twipsPerPixelX,
                                 kFilePictureSize.height * twipsPerPixelY};
    return controls;
}

}  // namespace forms
