// The About window's artwork, drawn by code: the background picture, the logo strip in its two
// states, the picture button in its three, and the pointing hand. The state images are stored
// as the image lists keep them: 24-bit, silver (the mask colour) where the picture below shows
// through.
#pragma once

#include <QCursor>
#include <QImage>

#include "importer/forms/about_layout.h"

namespace plumex::qt {

// picVEXO, 600 x 320: the backdrop with the normal logo strip and the raised button in it.
QImage AboutBackground();

// imlVEXO, 600 x 66: "VEXO" and its lit twin "Over".
QImage AboutLogoImage(forms::LogoState state);

// imlButton, 172 x 85: "Up", "Over" and "Down". The plate covers the button's hot spot; the
// rest is mask.
QImage AboutButtonImage(forms::ButtonState state);

// A state image as the image list draws it: the mask colour transparent, the rest opaque.
QImage WithMaskTransparent(const QImage& stored);

// The 32 x 32 pointing hand, index finger up, black outline and white fill.
QImage HandCursorImage();
QCursor HandCursor();

}  // namespace plumex::qt
