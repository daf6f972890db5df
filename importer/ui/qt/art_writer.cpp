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
#include "importer/ui/qt/about_artwork.h"
#include "importer/ui/qt/artwork.h"
#include "importer/ui/qt/help_pictures.h"

namespace {

// The media library picture beside the version label: 576 twips at 15 twips per pixel.
constexpr int kLibraryPictureSize = 38;

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

// One image of an icon or cursor file as Windows keeps it: a DIB header of twice the height,
// the 32-bit colours bottom-up with straight alpha, then the 1-bit AND mask (set where the
// picture is transparent), each row padded to 32 bits.
QByteArray DibPayload(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int maskStride = ((width + 31) / 32) * 4;
    QByteArray out;
    AppendLe32(out, 40);
    AppendLe32(out, width);
    AppendLe32(out, 2 * height);
    AppendLe16(out, 1);   // planes
    AppendLe16(out, 32);  // bits per pixel
    AppendLe32(out, 0);   // BI_RGB
    AppendLe32(out, static_cast<qint64>(width) * height * 4 + maskStride * height);
    for (int i = 0; i < 4; ++i) {
        AppendLe32(out, 0);
    }
    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            out.append(static_cast<char>(qBlue(line[x])));
            out.append(static_cast<char>(qGreen(line[x])));
            out.append(static_cast<char>(qRed(line[x])));
            out.append(static_cast<char>(qAlpha(line[x])));
        }
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
QByteArray IconContainer(const std::vector<QImage>& images, int type, QPoint hotSpot = {}) {
    std::vector<QByteArray> payloads;
    for (const QImage& image : images) {
        payloads.push_back(DibPayload(image));
    }
    QByteArray out;
    AppendLe16(out, 0);
    AppendLe16(out, type);
    AppendLe16(out, static_cast<int>(images.size()));
    qint64 offset = 6 + 16 * static_cast<qint64>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.append(static_cast<char>(images[i].width() & 0xFF));  // 256 is written as 0
        out.append(static_cast<char>(images[i].height() & 0xFF));
        out.append('\0');  // no palette
        out.append('\0');
        AppendLe16(out, type == 2 ? hotSpot.x() : 1);
        AppendLe16(out, type == 2 ? hotSpot.y() : 32);
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
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
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

QImage HelpIconImage(int size) {
    return plumex::qt::HelpIcon().pixmap(QSize(size, size)).toImage();
}

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
    out.Bytes("plumex.ico",
              IconContainer({PlumexIconImage(16), PlumexIconImage(32), PlumexIconImage(48)}, 1));
    out.Bytes("help.ico", IconContainer({HelpIconImage(16), HelpIconImage(32)}, 1));
    out.Bytes("hand.cur",
              IconContainer({HandCursorImage()}, 2,
                            QPoint(forms::kHandCursorHotSpot.x, forms::kHandCursorHotSpot.y)));
    out.Png("help_folder.png", FolderTreePicture());
    out.Png("help_file.png", SeasonFolderPicture());
    out.Png("about_background.png", AboutBackground());
    out.Png("about_logo_vexo.png", AboutLogoImage(forms::LogoState::Normal));
    out.Png("about_logo_over.png", AboutLogoImage(forms::LogoState::Lit));
    out.Png("about_button_up.png", AboutButtonImage(forms::ButtonState::Up));
    out.Png("about_button_over.png", AboutButtonImage(forms::ButtonState::Over));
    out.Png("about_button_down.png", AboutButtonImage(forms::ButtonState::Down));
    out.Png("library.png", LibraryPicture(kLibraryPictureSize).toImage());
    return out.Ok() ? 0 : 1;
}
