#include "importer/forms/version_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string_view>

namespace forms::test {
namespace {

TEST(VersionLine, TitleAndPlainDecimalNumbers) {
    EXPECT_EQ(VersionLine(), "VEXO(tm) Plumex TV v1.0.2");
    EXPECT_EQ(VersionLine("X", importer::ProgramVersion{12, 0, 305}), "X v12.0.305");
}

// The line's width as a function of the point size only.
class ScaledText : public TextMeasurer {
  public:
    explicit ScaledText(std::function<double(double)> widthAt) : widthAt_(std::move(widthAt)) {}
    double TextWidth(std::string_view text, const FontSpec& font) const override {
        EXPECT_EQ(text, "VEXO(tm) Plumex TV v1.0.2");
        EXPECT_EQ(font.family, "Arial");
        EXPECT_TRUE(font.bold);
        return widthAt_(font.points);
    }
    double WrappedTextHeight(std::string_view, double, const FontSpec&) const override { return 0; }

  private:
    std::function<double(double)> widthAt_;
};

struct FitCase {
    const char* name;
    double innerWidth;
    std::function<double(double)> widthAt;
    double points;
};

void PrintTo(const FitCase& c, std::ostream* out) {
    *out << c.name;
}

class FitVersionFontTest : public testing::TestWithParam<FitCase> {};

TEST_P(FitVersionFontTest, LargestSizeWithinNinetyPercent) {
    const FitCase& c = GetParam();
    const ScaledText measurer(c.widthAt);
    EXPECT_EQ(FitVersionFont(VersionLine(), c.innerWidth, measurer), VersionFont(c.points));
}

double PerPoint(double points, double twips) {
    return points * twips;
}

INSTANTIATE_TEST_SUITE_P(
    Widths, FitVersionFontTest,
    testing::Values(
        // the limit for 600 pixels at 15 twips is 8100 twips; a line exactly as wide fits
        FitCase{"fitsAtOnce", 9000, [](double p) { return PerPoint(p, 100); }, 28},
        FitCase{"exactlyTheLimit", 9000, [](double p) { return PerPoint(p, 300); }, 27},
        FitCase{"justOver", 9000, [](double p) { return PerPoint(p, 301); }, 26},
        FitCase{"smallestThatFits", 9000, [](double p) { return PerPoint(p, 900); }, 9},
        // nothing fits: the size that dropped below 9 is kept
        FitCase{"neverFits", 9000, [](double p) { return PerPoint(p, 1000); }, 8},
        FitCase{"noWidth", 0, [](double p) { return PerPoint(p, 1); }, 8},
        // 7 x 0.9 in single precision is 6.2999997, which a width of 6.3 exceeds
        FitCase{"singlePrecisionLimit", 7, [](double p) { return p >= 28 ? 6.3 : 6.0; }, 27}),
    [](const testing::TestParamInfo<FitCase>& param) { return param.param.name; });

}  // namespace
}  // namespace forms::test
