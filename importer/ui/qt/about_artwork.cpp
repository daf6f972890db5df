#include "importer/ui/qt/about_artwork.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <array>

#include "importer/ui/qt/text_measurer.h"

namespace plumex::qt {
namespace {

constexpr QRgb MaskRgb() {
    return qRgb(forms::kImageMaskColour.red, forms::kImageMaskColour.green,
                forms::kImageMaskColour.blue);
}

// The button's plate: its hot spot, in the image's own coordinates.
constexpr QRect kPlate(forms::kButtonHotSpot.left - forms::kButtonOrigin.x,
                       forms::kButtonHotSpot.top - forms::kButtonOrigin.y,
                       forms::kButtonHotSpot.right - forms::kButtonHotSpot.left + 1,
                       forms::kButtonHotSpot.bottom - forms::kButtonHotSpot.top + 1);

// Smoothed text could land on the mask colour itself; inside the drawn area such a pixel is
// moved by one step of blue, so that it stays visible.
void ReserveMaskColour(QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qRed(line[x]) == qRed(MaskRgb()) && qGreen(line[x]) == qGreen(MaskRgb()) &&
                qBlue(line[x]) == qBlue(MaskRgb())) {
                line[x] = qRgb(qRed(MaskRgb()), qGreen(MaskRgb()), qBlue(MaskRgb()) + 1);
            }
        }
    }
}

QFont ArtworkFont(int pixelSize, bool italic) {
    QFont font = ToQFont(forms::FontSpec{"Arial", 10, true});
    font.setPixelSize(pixelSize);
    font.setItalic(italic);
    return font;
}

// Text with a soft halo: the text several times, offset and faint, then the text itself.
void DrawGlowingText(QPainter& painter, const QRect& box, int flags, const QString& text,
                     const QColor& halo, const QColor& colour) {
    painter.setPen(halo);
    for (const QPoint offset : {QPoint(-2, 0), QPoint(2, 0), QPoint(0, -2), QPoint(0, 2),
                                QPoint(-1, -1), QPoint(1, 1), QPoint(-1, 1), QPoint(1, -1)}) {
        painter.drawText(box.translated(offset), flags, text);
    }
    painter.setPen(colour);
    painter.drawText(box, flags, text);
}

// Colour bars of a television test card, fading into the backdrop.
void DrawTestCardBars(QPainter& painter) {
    const std::array<QColor, 7> bars{
        QColor(190, 190, 190), QColor(190, 190, 0), QColor(0, 190, 190), QColor(0, 190, 0),
        QColor(190, 0, 190),   QColor(190, 0, 0),   QColor(0, 0, 190)};
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const QRectF bar(24.0 + 22.0 * static_cast<double>(i), 236, 20, 60);
        QLinearGradient fade(bar.topLeft(), bar.bottomLeft());
        QColor top = bars[i];
        top.setAlpha(150);
        QColor bottom = bars[i];
        bottom.setAlpha(0);
        fade.setColorAt(0, top);
        fade.setColorAt(1, bottom);
        painter.fillRect(bar, fade);
    }
}

}  // namespace

QImage AboutLogoImage(forms::LogoState state) {
    const bool lit = state == forms::LogoState::Lit;
    QImage image(forms::kAboutWindowSize.width, 66, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient band(0, 0, 0, image.height());
    band.setColorAt(0, lit ? QColor(46, 74, 148) : QColor(30, 40, 74));
    band.setColorAt(1, lit ? QColor(16, 28, 72) : QColor(10, 14, 34));
    painter.fillRect(image.rect(), band);
    painter.fillRect(0, 0, image.width(), 1, lit ? QColor(110, 150, 230) : QColor(60, 74, 116));
    painter.fillRect(0, image.height() - 2, image.width(), 2,
                     lit ? QColor(255, 182, 64) : QColor(66, 86, 136));

    // The word mark fills the hot spot's height; the address sits at its right end.
    const forms::PixelBox hot = forms::kLogoHotSpot;
    const QRect mark(hot.left + 4, hot.top - 4, 260, hot.bottom - hot.top + 9);
    QFont markFont = ArtworkFont(40, true);
    markFont.setLetterSpacing(QFont::AbsoluteSpacing, 5);
    painter.setFont(markFont);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    if (lit) {
        DrawGlowingText(painter, mark, flags, QStringLiteral("VEXO"), QColor(90, 170, 255, 70),
                        QColor(255, 255, 255));
    } else {
        painter.setPen(QColor(176, 190, 228));
        painter.drawText(mark, flags, QStringLiteral("VEXO"));
    }

    const QRect address(300, hot.top, hot.right - 4 - 300, hot.bottom - hot.top + 1);
    painter.setFont(ArtworkFont(15, false));
    painter.setPen(lit ? QColor(255, 194, 76) : QColor(118, 134, 178));
    painter.drawText(address, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("www.vexo.com"));
    painter.end();

    ReserveMaskColour(image, image.rect());
    return image;
}

QImage AboutButtonImage(forms::ButtonState state) {
    struct Look {
        QColor top, bottom, caption;
        bool sunken;
    };
    const Look look = [state] {
        switch (state) {
            case forms::ButtonState::Over:
                return Look{QColor(84, 124, 214), QColor(34, 58, 134), QColor(255, 255, 255),
                            false};
            case forms::ButtonState::Down:
                return Look{QColor(18, 28, 66), QColor(42, 66, 134), QColor(255, 196, 84), true};
            case forms::ButtonState::Up:
                break;
        }
        return Look{QColor(58, 84, 152), QColor(22, 34, 80), QColor(226, 232, 250), false};
    }();

    QImage image(172, 85, QImage::Format_RGB32);
    image.fill(MaskRgb());
    QPainter painter(&image);

    // The plate keeps the same outline in every state, so that each image covers exactly
    // what the others do.
    QLinearGradient face(kPlate.topLeft(), kPlate.bottomLeft());
    face.setColorAt(0, look.top);
    face.setColorAt(1, look.bottom);
    painter.fillRect(kPlate, face);
    const QRect inner = kPlate.adjusted(1, 1, -2, -2);
    const QColor light(150, 178, 232);
    const QColor dark(6, 10, 28);
    painter.setPen(look.sunken ? dark : light);
    painter.drawLine(inner.topLeft(), inner.topRight());
    painter.drawLine(inner.topLeft(), inner.bottomLeft());
    painter.setPen(look.sunken ? light : dark);
    painter.drawLine(inner.bottomLeft(), inner.bottomRight());
    painter.drawLine(inner.topRight(), inner.bottomRight());
    painter.setPen(Qt::black);
    painter.drawRect(kPlate.adjusted(0, 0, -1, -1));
    if (state == forms::ButtonState::Over) {
        painter.setPen(QColor(255, 186, 64));
        painter.drawRect(kPlate.adjusted(3, 3, -4, -4));
    }

    // "OK", its O underlined: the key that closes the window as the button does.
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = ArtworkFont(22, false);
    const QFontMetricsF metrics(font);
    const QString caption = QStringLiteral("OK");
    const QRect box = kPlate.translated(look.sunken ? QPoint(1, 1) : QPoint(0, 0));
    painter.setFont(font);
    painter.setPen(look.caption);
    painter.drawText(box, Qt::AlignCenter, caption);
    const QRectF drawn = metrics.boundingRect(QRectF(box), Qt::AlignCenter, caption);
    const double baseline = drawn.top() + metrics.ascent();
    painter.fillRect(
        QRectF(drawn.left(), baseline + 2, metrics.horizontalAdvance(QLatin1Char('O')), 2),
        look.caption);
    painter.end();

    ReserveMaskColour(image, kPlate);
    return image;
}

QImage WithMaskTransparent(const QImage& stored) {
    QImage image = stored.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qRgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x])) == MaskRgb()) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return image;
}

QImage AboutBackground() {
    QImage image(forms::kAboutWindowSize.width, forms::kAboutWindowSize.height,
                 QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient night(0, 0, 0, image.height());
    night.setColorAt(0, QColor(14, 30, 78));
    night.setColorAt(1, QColor(2, 4, 16));
    painter.fillRect(image.rect(), night);
    QRadialGradient glow(QPointF(300, 168), 320);
    glow.setColorAt(0, QColor(60, 112, 214, 120));
    glow.setColorAt(1, QColor(60, 112, 214, 0));
    painter.fillRect(image.rect(), glow);

    // Scan lines, as on a picture tube.
    for (int y = 0; y < image.height(); y += 2) {
        painter.fillRect(0, y, image.width(), 1, QColor(0, 0, 0, 40));
    }

    // Two rules above and below the middle, where the title goes.
    QLinearGradient rule(40, 0, 560, 0);
    rule.setColorAt(0, QColor(120, 170, 255, 0));
    rule.setColorAt(0.5, QColor(120, 170, 255, 170));
    rule.setColorAt(1, QColor(120, 170, 255, 0));
    painter.fillRect(40, 124, 520, 1, rule);
    painter.fillRect(40, 196, 520, 1, rule);

    DrawTestCardBars(painter);

    painter.drawImage(QPoint(forms::kLogoOrigin.x, forms::kLogoOrigin.y),
                      WithMaskTransparent(AboutLogoImage(forms::LogoState::Normal)));
    painter.drawImage(QPoint(forms::kButtonOrigin.x, forms::kButtonOrigin.y),
                      WithMaskTransparent(AboutButtonImage(forms::ButtonState::Up)));
    painter.end();
    return image;
}

QImage HandCursorImage() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);

    // The index finger stands up to the hot spot; three shorter fingers, the thumb on the
    // left and the back of the hand below.
    const QPointF tip(forms::kHandCursorHotSpot.x, forms::kHandCursorHotSpot.y);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(tip.x() - 2.5, tip.y(), 5, 18), 2.5, 2.5);
    hand.addRoundedRect(QRectF(tip.x() + 2.5, 9.5, 5, 12), 2.5, 2.5);
    hand.addRoundedRect(QRectF(tip.x() + 7.5, 10.5, 5, 12), 2.5, 2.5);
    hand.addRoundedRect(QRectF(tip.x() + 12.5, 12.5, 4.5, 11), 2.25, 2.25);
    QPainterPath palm;
    palm.moveTo(tip.x() - 2.5, 15);
    palm.lineTo(tip.x() + 17, 15);
    palm.lineTo(tip.x() + 17, 22);
    palm.lineTo(tip.x() + 14, 30.5);
    palm.lineTo(tip.x() + 0.5, 30.5);
    palm.lineTo(tip.x() - 6, 22.5);
    palm.lineTo(tip.x() - 9.5, 17.5);
    palm.lineTo(tip.x() - 9, 15.5);
    palm.lineTo(tip.x() - 7, 15);
    palm.lineTo(tip.x() - 2.5, 19);
    palm.closeSubpath();
    hand = hand.united(palm).simplified();

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPath(hand);
    // The gaps between the fingers.
    for (const double x : {tip.x() + 2.5, tip.x() + 7.5, tip.x() + 12.5}) {
        painter.drawLine(QPointF(x, 13), QPointF(x, 18));
    }
    painter.end();
    return image;
}

QCursor HandCursor() {
    return QCursor(QPixmap::fromImage(HandCursorImage()), forms::kHandCursorHotSpot.x,
                   forms::kHandCursorHotSpot.y);
}

}  // namespace plumex::qt
