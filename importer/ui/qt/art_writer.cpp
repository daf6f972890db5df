// Writes the pictures the Win32 build of Plumex carries as resources, drawn by the same code
// that draws them on Qt: plumex_art_writer DIR fills DIR with the PNG pictures, the program's
// and the Help window's icons and the About window's hand cursor. The cross build cannot run
// Qt, so the files are kept with the sources and redrawn with this program when the artwork
// changes.
#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "importer/forms/about_layout.h"
#include "importer/forms/main_window_layout.h"
#include "importer/ui/qt/about_artwork.h"
#include "importer/ui/qt/artwork.h"
#include "importer/ui/qt/help_pictures.h"

namespace {

template <std::size_t N>
void AppendBytes(QByteArray& out, const std::array<std::uint8_t, N>& bytes) {
    out.append(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(N));
}

void AppendLe16(QByteArray& out, int value) {
    AppendBytes(out, common::Le16Bytes(static_cast<std::uint16_t>(value)));
}

void AppendLe32(QByteArray& out, qint64 value) {
    AppendBytes(out, common::Le32Bytes(static_cast<std::uint32_t>(value)));
}

// The palette of an image of 4 or 8 bits: the sixteen colours, or the image's own colours in
// the order they first appear. Transparent pixels take entry 0 and are masked.
QList<QRgb> PaletteOf(const plumex::qt::IconImage& icon) {
    if (icon.bitsPerPixel == 4) {
        return plumex::qt::SixteenColours();
    }
    QList<QRgb> palette;
    for (int y = 0; y < icon.image.height(); ++y) {
        for (int x = 0; x < icon.image.width(); ++x) {
            const QRgb pixel = icon.image.pixel(x, y);
            if (qAlpha(pixel) != 0 && !palette.contains(pixel | 0xFF000000u)) {
                palette.append(pixel | 0xFF000000u);
            }
        }
    }
    return palette;
}

// One image of an icon or cursor file as Windows keeps it: a DIB header of twice the height,
// the palette for 4 or 8 bits, the colours (indices, or 32-bit with straight alpha) bottom-up,
// then the 1-bit AND mask (set where the picture is transparent), each row padded to 32 bits.
QByteArray DibPayload(const plumex::qt::IconImage& icon) {
    const QImage image = icon.image.convertToFormat(QImage::Format_ARGB32);
    const int bits = icon.bitsPerPixel;
    const int width = image.width();
    const int height = image.height();
    const int colourStride = ((width * bits + 31) / 32) * 4;
    const int maskStride = ((width + 31) / 32) * 4;
    const QList<QRgb> palette = bits < 32 ? PaletteOf(icon) : QList<QRgb>();
    QByteArray out;
    AppendLe32(out, 40);
    AppendLe32(out, width);
    AppendLe32(out, 2 * height);
    AppendLe16(out, 1);  // planes
    AppendLe16(out, bits);
    AppendLe32(out, 0);  // BI_RGB
    AppendLe32(out, static_cast<qint64>(colourStride + maskStride) * height);
    for (int i = 0; i < 4; ++i) {
        AppendLe32(out, 0);  // resolution, and a palette of the full size for the bit count
    }
    if (bits < 32) {
        for (int i = 0; i < (1 << bits); ++i) {
            const QRgb colour = i < palette.size() ? palette[i] : 0;
            AppendBytes(out,
                        std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(qBlue(colour)),
                                                    static_cast<std::uint8_t>(qGreen(colour)),
                                                    static_cast<std::uint8_t>(qRed(colour)), 0});
        }
    }
    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray row(colourStride, '\0');
        for (int x = 0; x < width; ++x) {
            if (bits == 32) {
                row[4 * x] = static_cast<char>(qBlue(line[x]));
                row[4 * x + 1] = static_cast<char>(qGreen(line[x]));
                row[4 * x + 2] = static_cast<char>(qRed(line[x]));
                row[4 * x + 3] = static_cast<char>(qAlpha(line[x]));
                continue;
            }
            const int index =
                qAlpha(line[x]) == 0 ? 0 : static_cast<int>(palette.indexOf(line[x] | 0xFF000000u));
            if (bits == 8) {
                row[x] = static_cast<char>(index);
            } else {
                row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 == 0 ? index << 4 : index));
            }
        }
        out.append(row);
    }
    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < width; ++x) {
            if (qAlpha(line[x]) < 128) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(row);
    }
    return out;
}

// The ICO container (type 1), or the CUR container (type 2) whose entries carry the hot spot
// where an icon's carry planes and bit count.
QByteArray IconContainer(const std::vector<plumex::qt::IconImage>& images, int type,
                         QPoint hotSpot = {}) {
    std::vector<QByteArray> payloads;
    for (const plumex::qt::IconImage& image : images) {
        if (image.bitsPerPixel < 32 && PaletteOf(image).size() > (1 << image.bitsPerPixel)) {
            return {};  // more colours than the depth holds: no file
        }
        payloads.push_back(DibPayload(image));
    }
    QByteArray out;
    AppendLe16(out, 0);
    AppendLe16(out, type);
    AppendLe16(out, static_cast<int>(images.size()));
    qint64 offset = 6 + 16 * static_cast<qint64>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const QImage& image = images[i].image;
        const int bits = images[i].bitsPerPixel;
        out.append(static_cast<char>(image.width() & 0xFF));  // 256 is written as 0
        out.append(static_cast<char>(image.height() & 0xFF));
        out.append(static_cast<char>(bits == 4 ? 16 : 0));  // colours; 0 for 256 and more
        out.append('\0');
        AppendLe16(out, type == 2 ? hotSpot.x() : 1);
        AppendLe16(out, type == 2 ? hotSpot.y() : bits);
        AppendLe32(out, payloads[i].size());
        AppendLe32(out, offset);
        offset += payloads[i].size();
    }
    for (const QByteArray& payload : payloads) {
        out.append(payload);
    }
    return out;
}

class Writer {
  public:
    explicit Writer(std::filesystem::path folder) : folder_(std::move(folder)) {}

    void Png(const char* name, const QImage& image) {
        const std::string file = (folder_ / name).string();
        if (!image.save(QString::fromStdString(file), "PNG")) {
            Fail(file);
        }
    }

    void Bytes(const char* name, const QByteArray& bytes) {
        const std::string file = (folder_ / name).string();
        QFile out(QString::fromStdString(file));
        if (bytes.isEmpty() || !out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(bytes) != bytes.size()) {
            Fail(file);
        }
    }

    bool Ok() const { return ok_; }

  private:
    void Fail(const std::string& file) {
        std::cerr << "plumex_art_writer: cannot write " << file << "\n";
        ok_ = false;
    }

    std::filesystem::path folder_;
    bool ok_ = true;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: plumex_art_writer DIR\n";
        return 2;
    }
    // Drawing needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QApplication application(qtArgc, argv);

    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    Writer out(argv[1]);

    using namespace plumex::qt;
    out.Bytes("plumex.ico", IconContainer(PlumexIconImages(), 1));
    out.Bytes("help.ico", IconContainer(HelpIconImages(), 1));
    out.Bytes("hand.cur",
              IconContainer({IconImage{HandCursorImage(), 32}}, 2,
                            QPoint(forms::kHandCursorHotSpot.x, forms::kHandCursorHotSpot.y)));
    out.Png("help_folder.png", FolderTreePicture());
    out.Png("help_file.png", SeasonFolderPicture());
    out.Png("about_background.png", AboutBackground());
    out.Png("about_logo_vexo.png", AboutLogoImage(forms::LogoState::Normal));
    out.Png("about_logo_over.png", AboutLogoImage(forms::LogoState::Lit));
    out.Png("about_button_up.png", AboutButtonImage(forms::ButtonState::Up));
    out.Png("about_button_over.png", AboutButtonImage(forms::ButtonState::Over));
    out.Png("about_button_down.png", AboutButtonImage(forms::ButtonState::Down));
    out.Png("library.png", LibraryPicture(forms::kLibraryPictureSize.width).toImage());
    return out.Ok() ? 0 : 1;
}
