#include "importer/forms/gradient.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "importer/forms/twips.h"

namespace forms::test {
namespace {

struct PixelsCase {
    double twips;
    double factor;
    std::optional<std::int32_t> pixels;
};

class TwipsToPixelsYTest : public testing::TestWithParam<PixelsCase> {};

TEST_P(TwipsToPixelsYTest, RoundsBothThenDropsTheRemainder) {
    const PixelsCase& c = GetParam();
    EXPECT_EQ(TwipsToPixelsY(c.twips, c.factor), c.pixels) << c.twips << " / " << c.factor;
}

INSTANTIATE_TEST_SUITE_P(Lengths, TwipsToPixelsYTest,
                         testing::Values(
                             // the main window's design client height at 96 and 120 dots per inch
                             PixelsCase{3612, 15, 240}, PixelsCase{3612, 12, 301},
                             PixelsCase{15, 15, 1}, PixelsCase{14, 15, 0}, PixelsCase{0, 12, 0},
                             // the length rounds halves to even before the division
                             PixelsCase{22.5, 1, 22}, PixelsCase{23.5, 1, 24},
                             PixelsCase{29.5, 15, 2},
                             // so does the factor
                             PixelsCase{30, 14.5, 2}, PixelsCase{30, 15.5, 1},
                             // the division drops the remainder towards zero
                             PixelsCase{-29, 15, -1},
                             // nothing to divide by, or no 32-bit length
                             PixelsCase{100, 0.5, std::nullopt}, PixelsCase{100, 0, std::nullopt},
                             PixelsCase{100, -15, std::nullopt},
                             PixelsCase{1e10, 15, std::nullopt}));

struct LevelCase {
    std::int32_t row;
    std::int32_t rows;
    int level;
};

class GradientLevelTest : public testing::TestWithParam<LevelCase> {};

TEST_P(GradientLevelTest, RoundsHalvesToEvenWithinAByte) {
    const LevelCase& c = GetParam();
    EXPECT_EQ(GradientLevel(c.row, c.rows), c.level) << c.row << " of " << c.rows;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GradientLevelTest,
    testing::Values(LevelCase{0, 256, 0}, LevelCase{1, 256, 1}, LevelCase{255, 256, 255},
                    LevelCase{1, 3, 85}, LevelCase{2, 3, 171}, LevelCase{1, 2, 128},
                    LevelCase{0, 1, 0},
                    // 0.5, 1.5 and 2.5 go to the even neighbour
                    LevelCase{1, 512, 0}, LevelCase{3, 512, 2}, LevelCase{5, 512, 2},
                    // 255.5 and 255.74 round to 256, which the clamp holds at 255
                    LevelCase{511, 512, 255}, LevelCase{999, 1000, 255}, LevelCase{99, 100, 253}));

struct ChoiceCase {
    bool green;
    bool blue;
    bool red;
    GradientColour colour;
};

class GradientChoiceTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(GradientChoiceTest, GreenBeforeBlueBeforeRed) {
    const ChoiceCase& c = GetParam();
    EXPECT_EQ(ChooseGradientColour(c.green, c.blue, c.red), c.colour);

    // Row 1 of 2 is level 128 in the chosen component and 0 in the others.
    const std::vector<GradientLine> lines = PaintGradient({30, 15}, c.green, c.blue, c.red);
    ASSERT_EQ(lines.size(), 2u);
    const Colour expected{static_cast<std::uint8_t>(c.colour == GradientColour::Red ? 128 : 0),
                          static_cast<std::uint8_t>(c.colour == GradientColour::Green ? 128 : 0),
                          static_cast<std::uint8_t>(c.colour == GradientColour::Blue ? 128 : 0)};
    EXPECT_EQ(lines[1].colour, expected);
}

INSTANTIATE_TEST_SUITE_P(Choices, GradientChoiceTest,
                         testing::Values(ChoiceCase{false, false, false, GradientColour::Green},
                                         ChoiceCase{true, false, false, GradientColour::Green},
                                         ChoiceCase{false, true, false, GradientColour::Blue},
                                         ChoiceCase{false, false, true, GradientColour::Red},
                                         ChoiceCase{true, true, true, GradientColour::Green},
                                         ChoiceCase{true, false, true, GradientColour::Green},
                                         ChoiceCase{false, true, true, GradientColour::Blue}));

TEST(PaintGradient, OneLinePerPixelRowFromBlackToFullIntensity) {
    const std::vector<GradientLine> lines = PaintGradient({3612, 15}, true, false, false);
    ASSERT_EQ(lines.size(), 240u);
    EXPECT_EQ(lines.front().row, 0);
    EXPECT_DOUBLE_EQ(lines.front().y, 0);
    EXPECT_EQ(lines.front().colour, Colour{});
    EXPECT_EQ(lines[120].colour, (Colour{0, 128, 0}));
    EXPECT_DOUBLE_EQ(lines[120].y, 1800);
    EXPECT_EQ(lines.back().row, 239);
    EXPECT_DOUBLE_EQ(lines.back().y, 3585);
    EXPECT_EQ(lines.back().colour, (Colour{0, 255, 0}));  // 254.93
}

TEST(PaintGradient, RowsFollowTheScreensFactor) {
    const std::vector<GradientLine> lines = PaintGradient({3612, 12}, false, true, false);
    ASSERT_EQ(lines.size(), 301u);
    EXPECT_DOUBLE_EQ(lines[10].y, 120);
    EXPECT_EQ(lines[10].colour, (Colour{0, 0, 9}));  // 8.505
}

TEST(PaintGradient, DrawsNothingWithoutAWholePixelRow) {
    for (const GradientSurface surface :
         {GradientSurface{0, 15}, GradientSurface{14, 15}, GradientSurface{-300, 15},
          GradientSurface{300, 0.4}, GradientSurface{1e12, 15}}) {
        EXPECT_TRUE(PaintGradient(surface, true, false, false).empty())
            << surface.clientHeight << " at " << surface.twipsPerPixelY;
    }
}

}  // namespace
}  // namespace forms::test
