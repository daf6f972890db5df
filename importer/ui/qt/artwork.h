// The program's own pictures, drawn by code so that they scale to every size the desktop
// asks for: the window icon (a television with a green screen) and the media library picture
// beside the version label; and the colour depths the icons are kept in.
#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <vector>

namespace plumex::qt {

// One image of an icon: the picture (32-bit, straight alpha) and the colour depth it is kept
// in. Below 32 bits every pixel is opaque or wholly transparent and its colour is one of the
// depth's palette.
struct IconImage {
    QImage image;
    int bitsPerPixel = 32;
};

// The program's icon as Plumex.exe carries it and its window shows it, in this order: 48, 32
// and 16 pixels in 256 colours, then 128, 48, 32 and 16 pixels in 32-bit colour. The images
// need no running application, so the build can write the icon files the desktop entry names.
std::vector<IconImage> PlumexIconImages();
// The icon at one size, drawn in 32-bit colour.
QImage PlumexIconImage(int size);

// The classic desktop's sixteen colours.
const QList<QRgb>& SixteenColours();

// image as an icon of bitsPerPixel keeps it: 4 in the sixteen colours, 8 in 256, each pixel
// opaque or transparent; 32 as it is.
IconImage InIconColours(const QImage& image, int bitsPerPixel);

// The images as one icon; of two images of one size the later one.
QIcon ToIcon(const std::vector<IconImage>& images);

// A size x size picture of a note on a disc, standing for the media library.
QPixmap LibraryPicture(int size);

}  // namespace plumex::qt
