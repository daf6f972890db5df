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

QIcon PlumexIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addPixmap(QPixmap::fromImage(PlumexIconImage(size)));
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
