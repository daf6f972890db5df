// The Win32 build's pictures are drawn by the Qt artwork code and kept with the sources; these
// tests catch files that no longer match the layouts or the drawing code. Pixels are not
// compared: the installed fonts differ between machines.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "importer/forms/about_layout.h"
#include "importer/forms/help_layout.h"
#include "importer/ui/qt/about_artwork.h"
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
        // imgiTunes is 576 twips square: 38 pixels at 15 twips per pixel.
        PictureCase{"library.png", QSize(38, 38), nullptr}),
    [](const ::testing::TestParamInfo<PictureCase>& param) {
        std::string name = param.param.file;
        return name.substr(0, name.find('.'));
    });

// One directory entry of an icon or cursor file.
struct IconEntry {
    int width = 0;
    int height = 0;
    int planesOrHotSpotX = 0;
    int bitsOrHotSpotY = 0;
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
                                    common::LoadLe16(entry + 4), common::LoadLe16(entry + 6)});
    }
    return entries;
}

std::vector<int> Edges(const std::vector<IconEntry>& entries) {
    std::vector<int> edges;
    for (const IconEntry& entry : entries) {
        EXPECT_EQ(entry.width, entry.height);
        edges.push_back(entry.width);
    }
    return edges;
}

TEST(ArtIconTest, ProgramIconHoldsTheThreeSizesTheDesktopAsksFor) {
    const auto entries = ReadIconDirectory("plumex.ico", 1);
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(Edges(*entries), (std::vector<int>{16, 32, 48}));
}

TEST(ArtIconTest, HelpIconHoldsTheSmallAndTheLargeImage) {
    const auto entries = ReadIconDirectory("help.ico", 1);
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(Edges(*entries), (std::vector<int>{16, 32}));
}

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
