// The Help window's artwork, drawn by code in 16 colours in the style of the desktop's file
// explorer: black bold text on white, small folder and document icons.
#pragma once

#include <QIcon>
#include <QImage>
#include <vector>

#include "importer/ui/qt/artwork.h"

namespace plumex::qt {

// imgFolder: a folder of shows, one of them expanded into its four season folders, the third
// season selected. 303 x 272 pixels.
QImage FolderTreePicture();

// imgFile: the selected season folder's thirteen episodes, 01 to 13, as .mp4 files.
// 422 x 300 pixels.
QImage SeasonFolderPicture();

// The window icon: a dark green disc with a black rim and a white question mark, at 32 and 16
// pixels in 16 colours.
std::vector<IconImage> HelpIconImages();
QIcon HelpIcon();

}  // namespace plumex::qt
