// The Help window's geometry: the window sizes itself to the help paragraph and the two
// example pictures, with a margin of 5 pixels on every side and between text and pictures,
// and centres itself over the main window. All lengths are in twips; a pixel is the screen's
// factor for its axis, so the pictures keep their pixel size at any resolution.
#pragma once

#include <cstdint>

#include "importer/forms/geometry.h"

namespace forms {

// The example pictures at their natural size: the folder tree and the season folder.
inline constexpr PixelSize kFolderPictureSize{303, 272};
inline constexpr PixelSize kFilePictureSize{422, 300};
inline constexpr std::int32_t kHelpMarginPixels = 5;

// What the frontend knows of the Help window and its screen, in twips.
struct HelpMetrics {
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
    double outerWidth = 0;  // the window with its frame and caption
    double outerHeight = 0;
    double clientWidth = 0;
    double clientHeight = 0;
};

// W: the frame, both pictures side by side and a margin either side.
std::int32_t HelpWindowWidth(const HelpMetrics& metrics);
// H: the frame, the label and the taller picture, and three margins.
std::int32_t HelpWindowHeight(const HelpMetrics& metrics, double labelHeight);

// The label spans the client width less a margin either side, never less than nothing.
double HelpLabelWidth(double clientWidth, double twipsPerPixelX);

// A window of width x height centred over owner, real-valued: it may reach beyond any screen
// edge and may start at a negative position.
TwipsRect CentreOver(const TwipsRect& owner, std::int32_t width, std::int32_t height);

// Where the window goes for a label of labelHeight: W x H centred over the main window.
TwipsRect HelpWindowBounds(const HelpMetrics& metrics, const TwipsRect& mainWindow,
                           double labelHeight);

// lblHelp, imgFolder and imgFile for a client area of clientWidth: the label at the top-left
// margin, the pictures touching each other below it, folder tree on the left.
struct HelpControls {
    TwipsRect lblHelp;
    TwipsRect imgFolder;
    TwipsRect imgFile;

    friend bool operator==(const HelpControls&, const HelpControls&) = default;
};
HelpControls ArrangeHelpControls(double clientWidth, double labelHeight, double twipsPerPixelX,
                                 double twipsPerPixelY);

}  // namespace forms
