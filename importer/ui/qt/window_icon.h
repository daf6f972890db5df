// A window's icon as the list of images it is kept in, sizes repeating where an image comes in
// several colour depths (as in a Windows icon file).
#pragma once

#include <vector>

#include "importer/ui/qt/artwork.h"

class QWidget;

namespace plumex::qt {

// Sets window's icon. QIcon keeps one image per size, which is what other platforms get; on
// X11 the window's _NET_WM_ICON holds every image, in order (there the native window is
// created).
void SetWindowIconImages(QWidget& window, const std::vector<IconImage>& images);

}  // namespace plumex::qt
