// The Win32 build's pictures are drawn by the Qt artwork code and kept with the sources; these
// tests catch files that no longer match the layouts or the drawing code. Pixels are compared
// only where no text is drawn: the installed fonts differ between machines.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "importer/forms/about_layout.h"
#include "importer/forms/help_layout.h"
#include "importer/forms/main_window_layout.h"
#include "importer/ui/qt/about_artwork.h"
#include "importer/ui/qt/artwork.h"
#include "importer/ui/qt/help_pictures.h"

namespace {

QString ArtFile(const char* name) {
    return QStringLiteral(VEXO_WIN32_ART_DIR "/") + QString::fromLatin1(name);
}

QSize Size(forms::PixelSize size) {
    return {size.width, size.height};
}

struct PictureCase {
    const char* file;
    QSize layoutSize;
    QImage (*draw)();  // the drawing code's own picture, or nullptr
};

class ArtPictureTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(ArtPictureTest, HasTheSizeOfTheLayoutAndTheDrawingCode) {
    const PictureCase& c = GetParam();
    const QImage stored(ArtFile(c.file));
    ASSERT_FALSE(stored.isNull()) << c.file;
    EXPECT_EQ(stored.size(), c.layoutSize) << c.file;
    if (c.draw != nullptr) {
        EXPECT_EQ(stored.size(), c.draw().size()) << c.file;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Win32Art, ArtPictureTest,
    ::testing::Values(
        PictureCase{"help_folder.png", Size(forms::kFolderPictureSize),
                    &plumex::qt::FolderTreePicture},
        PictureCase{"help_file.png", Size(forms::kFilePictureSize),
                    &plumex::qt::SeasonFolderPicture},
        PictureCase{"about_background.png", Size(forms::kAboutWindowSize),
                    &plumex::qt::AboutBackground},
        PictureCase{"about_logo_vexo.png", QSize(forms::kAboutWindowSize.width, 66),
                    [] { return plumex::qt::AboutLogoImage(forms::LogoState::Normal); }},
        PictureCase{"about_logo_over.png", QSize(forms::kAboutWindowSize.width, 66),
                    [] { return plumex::qt::AboutLogoImage(forms::LogoState::Lit); }},
        PictureCase{"about_button_up.png", QSize(172, 85),
                    [] { return plumex::qt::AboutButtonImage(forms::ButtonState::Up); }},
        PictureCase{"about_button_over.png", QSize(172, 85),
                    [] { return plumex::qt::AboutButtonImage(forms::ButtonState::Over); }},
        PictureCase{"about_button_down.png", QSize(172, 85),
                    [] { return plumex::qt::AboutButtonImage(forms::ButtonState::Down); }},
        // imgiTunes shows its picture whole, at the picture's size.
        PictureCase{
            "library.png", Size(forms::kLibraryPictureSize),
            [] { return plumex::qt::LibraryPicture(forms::kLibraryPictureSize.width).toImage(); }}),
    [](const ::testing::TestParamInfo<PictureCase>& param) {
        std::string name = param.param.file;
        return name.substr(0, name.find('.'));
    });

// One directory entry of an icon or cursor file, and the bit count of its image's header.
struct IconEntry {
    int width = 0;
    int height = 0;
    int planesOrHotSpotX = 0;
    int bitsOrHotSpotY = 0;
    int imageBits = 0;
};

std::optional<std::vector<IconEntry>> ReadIconDirectory(const char* name, int expectedType) {
    QFile file(ArtFile(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    if (bytes.size() < 6 || common::LoadLe16(data + 2) != expectedType) {
        return std::nullopt;
    }
    const int count = common::LoadLe16(data + 4);
    std::vector<IconEntry> entries;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* entry = data + 6 + 16 * i;
        if (6 + 16 * (i + 1) > bytes.size()) {
            return std::nullopt;
        }
        const quint32 size = common::LoadLe32(entry + 8);
        const quint32 offset = common::LoadLe32(entry + 12);
        if (offset + size > static_cast<quint32>(bytes.size()) || size < 40) {
            return std::nullopt;
        }
        entries.push_back(IconEntry{entry[0] == 0 ? 256 : entry[0], entry[1] == 0 ? 256 : entry[1],
                                    common::LoadLe16(entry + 4), common::LoadLe16(entry + 6),
                                    common::LoadLe16(data + offset + 14)});
    }
    return entries;
}

// An icon's images as edge and bit count, in the order the file keeps them.
using Images = std::vector<std::pair<int, int>>;

Images EdgesAndBits(const std::vector<IconEntry>& entries) {
    Images images;
    for (const IconEntry& entry : entries) {
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitsOrHotSpotY, entry.imageBits) << "the directory names the image's depth";
        images.emplace_back(entry.width, entry.imageBits);
    }
    return images;
}

struct IconCase {
    const char* file;
    Images images;
    std::vector<plumex::qt::IconImage> (*draw)();  // compared pixel for pixel, or nullptr
};

void PrintTo(const IconCase& row, std::ostream* out) {
    *out << row.file;
}

class ArtIconFileTest : public ::testing::TestWithParam<IconCase> {};

TEST_P(ArtIconFileTest, HoldsItsImagesInTheirDepthsAsTheCodeDrawsThem) {
    const IconCase& c = GetParam();
    const auto entries = ReadIconDirectory(c.file, 1);
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(EdgesAndBits(*entries), c.images);
    if (c.draw == nullptr) {
        return;
    }
    const std::vector<plumex::qt::IconImage> drawn = c.draw();
    QImageReader reader(ArtFile(c.file), "ico");
    ASSERT_EQ(reader.imageCount(), static_cast<int>(drawn.size()));
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(reader.jumpToImage(static_cast<int>(i)));
        const QImage stored = reader.read().convertToFormat(QImage::Format_ARGB32);
        const QImage& expected = drawn[i].image;
        ASSERT_EQ(stored.size(), expected.size());
        int differing = 0;
        for (int y = 0; y < stored.height(); ++y) {
            for (int x = 0; x < stored.width(); ++x) {
                const QRgb a = stored.pixel(x, y);
                const QRgb b = expected.pixel(x, y);
                // A wholly transparent pixel has no colour to compare.
                differing += (qAlpha(a) == 0 && qAlpha(b) == 0) ? 0 : a != b;
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Win32Art, ArtIconFileTest,
    ::testing::Values(
        // 48, 32 and 16 pixels in 256 colours, then 128, 48, 32 and 16 in 32-bit colour.
        IconCase{"plumex.ico",
                 {{48, 8}, {32, 8}, {16, 8}, {128, 32}, {48, 32}, {32, 32}, {16, 32}},
                 &plumex::qt::PlumexIconImages},
        // The question mark is text: its pixels depend on the fonts installed.
        IconCase{"help.ico", {{32, 4}, {16, 4}}, nullptr}),
    [](const ::testing::TestParamInfo<IconCase>& param) {
        std::string name = param.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(ArtIconTest, HandCursorIsThirtyTwoSquareWithItsHotSpotAtTheFingerTip) {
    const auto entries = ReadIconDirectory("hand.cur", 2);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(QSize((*entries)[0].width, (*entries)[0].height),
              plumex::qt::HandCursorImage().size());
    EXPECT_EQ((*entries)[0].planesOrHotSpotX, forms::kHandCursorHotSpot.x);
    EXPECT_EQ((*entries)[0].bitsOrHotSpotY, forms::kHandCursorHotSpot.y);
}

}  // namespace
