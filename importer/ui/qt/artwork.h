// The program's own pictures, drawn by code so that they scale to every size the desktop
// asks for: the window icon (a television with a green screen) and the media library picture
// beside the version label.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace plumex::qt {

// The icon at 16, 32 and 48 pixels. The image needs no running application, so the build can
// write the icon files the desktop entry names.
QIcon PlumexIcon();
QImage PlumexIconImage(int size);

// A size x size picture of a note on a disc, standing for the media library.
QPixmap LibraryPicture(int size);

}  // namespace plumex::qt
