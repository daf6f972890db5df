#include "importer/ui/qt/help_pictures.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <array>

#include "importer/ui/qt/artwork.h"
#include "importer/ui/qt/text_measurer.h"

namespace plumex::qt {
namespace {

// The sixteen colours of the pictures, those of the classic desktop palette.
const QColor kBlack(0, 0, 0);
const QColor kNavy(0, 0, 128);
const QColor kGreen(0, 128, 0);
const QColor kOlive(128, 128, 0);
const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);

QImage WhiteCanvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

// Drawn without smoothing, so the pictures keep to their sixteen colours; the conversion
// guarantees it.
QImage InSixteenColours(const QImage& image) {
    return image.convertToFormat(QImage::Format_Indexed8, SixteenColours(),
                                 Qt::ThresholdDither | Qt::AvoidDither);
}

// The explorer's text, at a pixel size so that the pictures do not depend on the screen.
// Unhinted: hinting thins the bold stems of small unsmoothed text back to one pixel.
QFont ExplorerFont(bool bold) {
    QFont font = ToQFont(forms::FontSpec{"Tahoma", 8, bold});
    font.setPixelSize(13);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void DottedHorizontal(QPainter& painter, int x1, int x2, int y) {
    painter.setPen(kGrey);
    for (int x = x1; x <= x2; x += 2) {
        painter.drawPoint(x, y);
    }
}

void DottedVertical(QPainter& painter, int x, int y1, int y2) {
    painter.setPen(kGrey);
    for (int y = y1; y <= y2; y += 2) {
        painter.drawPoint(x, y);
    }
}

// A 16 x 14 folder whose top-left corner is at (x, y); an open one shows its front flap.
void DrawFolder(QPainter& painter, int x, int y, bool open) {
    const QPolygon back{QPoint(x, y + 2),     QPoint(x + 1, y + 1),  QPoint(x + 6, y + 1),
                        QPoint(x + 7, y + 2), QPoint(x + 14, y + 2), QPoint(x + 14, y + 13),
                        QPoint(x, y + 13)};
    painter.setPen(kOlive);
    painter.setBrush(open ? kOlive : kYellow);
    painter.drawPolygon(back);
    if (!open) {
        painter.setPen(kWhite);
        painter.drawLine(x + 1, y + 3, x + 13, y + 3);
        return;
    }
    const QPolygon flap{QPoint(x + 3, y + 6), QPoint(x + 16, y + 6), QPoint(x + 13, y + 13),
                        QPoint(x, y + 13)};
    painter.setPen(kOlive);
    painter.setBrush(kYellow);
    painter.drawPolygon(flap);
}

// The 9 x 9 box that expands or collapses a folder, centred on (cx, cy).
void DrawExpander(QPainter& painter, int cx, int cy, bool expanded) {
    painter.setPen(kGrey);
    painter.setBrush(kWhite);
    painter.drawRect(cx - 4, cy - 4, 8, 8);
    painter.setPen(kBlack);
    painter.drawLine(cx - 2, cy, cx + 2, cy);
    if (!expanded) {
        painter.drawLine(cx, cy - 2, cx, cy + 2);
    }
}

// A 16 x 16 document with a turned corner and a play mark, top-left at (x, y).
void DrawVideoDocument(QPainter& painter, int x, int y) {
    const QPolygon page{QPoint(x + 2, y), QPoint(x + 10, y), QPoint(x + 13, y + 3),
                        QPoint(x + 13, y + 15), QPoint(x + 2, y + 15)};
    painter.setPen(kBlack);
    painter.setBrush(kWhite);
    painter.drawPolygon(page);
    painter.drawLine(x + 10, y, x + 10, y + 3);
    painter.drawLine(x + 10, y + 3, x + 13, y + 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kNavy);
    painter.drawRect(x + 4, y + 6, 7, 7);
    painter.setBrush(kWhite);
    painter.drawPolygon(
        QPolygon{QPoint(x + 6, y + 7), QPoint(x + 6, y + 11), QPoint(x + 9, y + 9)});
}

// A raised header strip from (left, top), width x height, as the explorer's panes have.
void DrawHeaderCell(QPainter& painter, const QRect& cell, const QString& text, int flags) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSilver);
    painter.drawRect(cell);
    painter.setPen(kWhite);
    painter.drawLine(cell.topLeft(), cell.topRight());
    painter.drawLine(cell.topLeft(), cell.bottomLeft());
    painter.setPen(kGrey);
    painter.drawLine(cell.bottomLeft(), cell.bottomRight());
    painter.drawLine(cell.topRight(), cell.bottomRight());
    painter.setPen(kBlack);
    painter.setFont(ExplorerFont(false));
    painter.drawText(cell.adjusted(6, 0, -6, 0), flags | Qt::AlignVCenter, text);
}

enum class Expander { None, Collapsed, Expanded };

struct TreeItem {
    int level;
    const char* name;
    Expander expander;
    bool selected;
};

// Invented shows; the expanded one holds the seasons.
constexpr std::array<TreeItem, 11> kTree{{
    {0, "TV Shows", Expander::Expanded, false},
    {1, "Coastal Patrol", Expander::Collapsed, false},
    {1, "Desert Station", Expander::Collapsed, false},
    {1, "Night Shift", Expander::Expanded, false},
    {2, "Season 1", Expander::None, false},
    {2, "Season 2", Expander::None, false},
    {2, "Season 3", Expander::None, true},
    {2, "Season 4", Expander::None, false},
    {1, "Open Range", Expander::Collapsed, false},
    {1, "The Lighthouse", Expander::Collapsed, false},
    {1, "Westward", Expander::Collapsed, false},
}};

constexpr std::array<const char*, 13> kEpisodeTitles{
    "Pilot",          "The Night Before", "Second Chances", "Crossroads", "Home Again",
    "The Long Road",  "Lights Out",       "Old Friends",    "Homecoming", "The Storm",
    "Breaking Point", "Last Call",        "Finale",
};
constexpr std::array<int, 13> kEpisodeKilobytes{171384, 168902, 172455, 170118, 169877,
                                                173640, 171002, 168511, 172987, 170764,
                                                169230, 171859, 174412};

}  // namespace

QImage FolderTreePicture() {
    constexpr int kTop = 30;
    constexpr int kRowHeight = 21;
    constexpr int kIndent = 19;
    const auto rowCentre = [](std::size_t row) {
        return kTop + static_cast<int>(row) * kRowHeight + kRowHeight / 2;
    };
    const auto expanderColumn = [](int level) { return 10 + level * kIndent; };

    QImage image = WhiteCanvas(303, 272);
    QPainter painter(&image);
    DrawHeaderCell(painter, QRect(0, 0, 303, 22), QStringLiteral("Folders"), Qt::AlignLeft);

    // The tree's lines first: each item hangs from its previous sibling, or from its parent.
    for (std::size_t i = 1; i < kTree.size(); ++i) {
        const int column = expanderColumn(kTree[i].level);
        std::size_t above = i - 1;
        while (kTree[above].level > kTree[i].level) {
            --above;
        }
        const bool fromParent = kTree[above].level < kTree[i].level;
        DottedVertical(painter, column, rowCentre(above) + (fromParent ? 8 : 0), rowCentre(i));
        DottedHorizontal(painter, column, column + 9, rowCentre(i));
    }

    const QFont font = ExplorerFont(true);
    const QFontMetrics metrics(font);
    for (std::size_t i = 0; i < kTree.size(); ++i) {
        const TreeItem& item = kTree[i];
        const int cx = expanderColumn(item.level);
        const int cy = rowCentre(i);
        if (item.expander != Expander::None) {
            DrawExpander(painter, cx, cy, item.expander == Expander::Expanded);
        }
        const int iconLeft = cx + 11;
        DrawFolder(painter, iconLeft, cy - 7, item.expander == Expander::Expanded);

        const QString name = QString::fromLatin1(item.name);
        const QRect text(iconLeft + 20, cy - 8, metrics.horizontalAdvance(name) + 4, 17);
        if (item.selected) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kNavy);
            painter.drawRect(text);
        }
        painter.setFont(font);
        painter.setPen(item.selected ? kWhite : kBlack);
        painter.drawText(text, Qt::AlignCenter, name);
    }
    painter.end();
    return InSixteenColours(image);
}

QImage SeasonFolderPicture() {
    constexpr int kTop = 26;
    constexpr int kRowHeight = 20;
    constexpr int kNameRight = 250;
    constexpr int kSizeRight = 330;

    QImage image = WhiteCanvas(422, 300);
    QPainter painter(&image);
    DrawHeaderCell(painter, QRect(0, 0, kNameRight, 20), QStringLiteral("Name"), Qt::AlignLeft);
    DrawHeaderCell(painter, QRect(kNameRight, 0, kSizeRight - kNameRight, 20),
                   QStringLiteral("Size"), Qt::AlignRight);
    DrawHeaderCell(painter, QRect(kSizeRight, 0, 422 - kSizeRight, 20), QStringLiteral("Type"),
                   Qt::AlignLeft);

    painter.setFont(ExplorerFont(true));
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (std::size_t i = 0; i < kEpisodeTitles.size(); ++i) {
        const int top = kTop + static_cast<int>(i) * kRowHeight;
        DrawVideoDocument(painter, 6, top + 2);
        const QString name = QStringLiteral("%1 %2.mp4")
                                 .arg(static_cast<int>(i) + 1, 2, 10, QLatin1Char('0'))
                                 .arg(QString::fromLatin1(kEpisodeTitles[i]));
        const QString size = english.toString(kEpisodeKilobytes[i]) + QStringLiteral(" KB");
        painter.setPen(kBlack);
        painter.drawText(QRect(28, top, kNameRight - 28, kRowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, name);
        painter.drawText(QRect(kNameRight, top, kSizeRight - kNameRight - 6, kRowHeight),
                         Qt::AlignRight | Qt::AlignVCenter, size);
        painter.drawText(QRect(kSizeRight + 6, top, 422 - kSizeRight - 6, kRowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("MP4 File"));
    }
    painter.end();
    return InSixteenColours(image);
}

std::vector<IconImage> HelpIconImages() {
    std::vector<IconImage> images;
    for (const int size : {32, 16}) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setPen(kBlack);
        painter.setBrush(kGreen);
        painter.drawEllipse(0, 0, size - 1, size - 1);
        QFont font = ToQFont(forms::FontSpec{"Arial", 8, true});
        font.setPixelSize(size * 3 / 4);
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        painter.setPen(kWhite);
        painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
        painter.end();
        images.push_back(InIconColours(image, 4));
    }
    return images;
}

QIcon HelpIcon() {
    return ToIcon(HelpIconImages());
}

}  // namespace plumex::qt
