#include "importer/ui/qt/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace plumex::qt {
namespace {

QImage Transparent(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

QImage PlumexIconImage(int size) {
    QImage image = Transparent(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // Antennas, then the cabinet with a green screen fading from black, as the windows do.
    painter.setPen(QPen(QColor(40, 40, 40), s / 24, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(s * 0.5, s * 0.28), QPointF(s * 0.3, s * 0.06));
    painter.drawLine(QPointF(s * 0.5, s * 0.28), QPointF(s * 0.7, s * 0.06));

    const QRectF cabinet(s * 0.04, s * 0.26, s * 0.92, s * 0.66);
    painter.setPen(QPen(QColor(20, 20, 20), s / 32));
    painter.setBrush(QColor(70, 70, 78));
    painter.drawRoundedRect(cabinet, s * 0.1, s * 0.1);

    const QRectF screen(s * 0.12, s * 0.33, s * 0.76, s * 0.52);
    QLinearGradient green(screen.topLeft(), screen.bottomLeft());
    green.setColorAt(0, Qt::black);
    green.setColorAt(1, QColor(0, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(green);
    painter.drawRoundedRect(screen, s * 0.06, s * 0.06);

    // A play mark on the screen.
    QPainterPath play;
    play.moveTo(s * 0.42, s * 0.45);
    play.lineTo(s * 0.62, s * 0.59);
    play.lineTo(s * 0.42, s * 0.73);
    play.closeSubpath();
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawPath(play);
    painter.end();
    return image;
}

std::vector<IconImage> PlumexIconImages() {
    std::vector<IconImage> images;
    for (const int size : {48, 32, 16}) {
        images.push_back(InIconColours(PlumexIconImage(size), 8));
    }
    for (const int size : {128, 48, 32, 16}) {
        images.push_back(InIconColours(PlumexIconImage(size), 32));
    }
    return images;
}

const QList<QRgb>& SixteenColours() {
    static const QList<QRgb> colours{
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
    return colours;
}

// Half-covered pixels become opaque; the colours go to the nearest of the palette, without
// dithering, which would speckle pictures this small. Up to 256 colours stay exact; more take
// the nearest of a 6 x 6 x 6 colour cube.
IconImage InIconColours(const QImage& image, int bitsPerPixel) {
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    if (bitsPerPixel >= 32) {
        return {straight, 32};
    }
    const Qt::ImageConversionFlags flags = Qt::ThresholdDither | Qt::AvoidDither;
    // The colours as they are, whatever their coverage.
    QImage opaque = straight;
    for (int y = 0; y < opaque.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        for (int x = 0; x < opaque.width(); ++x) {
            line[x] |= 0xFF000000u;
        }
    }
    opaque = opaque.convertToFormat(QImage::Format_RGB32);
    const QImage indexed =
        bitsPerPixel <= 4 ? opaque.convertToFormat(QImage::Format_Indexed8, SixteenColours(), flags)
                          : opaque.convertToFormat(QImage::Format_Indexed8, flags);
    QImage result = indexed.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        const auto* alpha = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if (qAlpha(alpha[x]) < 128) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return {result, bitsPerPixel <= 4 ? 4 : 8};
}

QIcon ToIcon(const std::vector<IconImage>& images) {
    QIcon icon;
    for (const IconImage& image : images) {
        icon.addPixmap(QPixmap::fromImage(image.image));
    }
    return icon;
}

QPixmap LibraryPicture(int size) {
    QImage image = Transparent(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    QRadialGradient disc(QPointF(s * 0.4, s * 0.35), s * 0.6);
    disc.setColorAt(0, QColor(250, 250, 255));
    disc.setColorAt(1, QColor(150, 170, 210));
    painter.setPen(QPen(QColor(60, 80, 140), s / 24));
    painter.setBrush(disc);
    painter.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));

    // A beamed pair of notes.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 60, 150));
    painter.drawEllipse(QRectF(s * 0.26, s * 0.6, s * 0.18, s * 0.14));
    painter.drawEllipse(QRectF(s * 0.56, s * 0.54, s * 0.18, s * 0.14));
    painter.drawRect(QRectF(s * 0.4, s * 0.26, s * 0.045, s * 0.42));
    painter.drawRect(QRectF(s * 0.7, s * 0.2, s * 0.045, s * 0.42));
    QPainterPath beam;
    beam.moveTo(s * 0.4, s * 0.26);
    beam.lineTo(s * 0.745, s * 0.2);
    beam.lineTo(s * 0.745, s * 0.29);
    beam.lineTo(s * 0.4, s * 0.35);
    beam.closeSubpath();
    painter.drawPath(beam);
    painter.end();
    return QPixmap::fromImage(image);
}

}  // namespace plumex::qt
