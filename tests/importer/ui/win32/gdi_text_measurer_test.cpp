#include "importer/ui/win32/gdi_text_measurer.h"

#include <gtest/gtest.h>

#include "importer/forms/help_text.h"

namespace plumex::win32::test {
namespace {

constexpr forms::FontSpec kArial{"Arial", 10, false};
constexpr double kWide = 6000;  // twips: 400 pixels at 96 dots per inch

TEST(GdiTextMeasurerTest, ALongerTextIsWiderAndNothingHasNoWidth) {
    const GdiTextMeasurer measurer;
    const double short_ = measurer.TextWidth("Plumex", kArial);
    EXPECT_GT(short_, 0);
    EXPECT_GT(measurer.TextWidth("Plumex TV importer", kArial), short_);
    EXPECT_EQ(measurer.TextWidth("", kArial), 0);
}

TEST(GdiTextMeasurerTest, ALargerOrBolderFontIsWider) {
    const GdiTextMeasurer measurer;
    const char* text = "VEXO(tm) Plumex TV v1.0.2";
    const double regular = measurer.TextWidth(text, kArial);
    EXPECT_GT(measurer.TextWidth(text, forms::FontSpec{"Arial", 28, false}), 2 * regular);
    EXPECT_GT(measurer.TextWidth(text, forms::FontSpec{"Arial", 10, true}), regular);
}

TEST(GdiTextMeasurerTest, WrappingAtANarrowerWidthIsTaller) {
    const GdiTextMeasurer measurer;
    const char* text =
        "Each show needs to have it's own folder. In each show folder, the shows "
        "need to be sorted by season.";
    const double oneLine = measurer.WrappedTextHeight(text, 1e5, kArial);
    EXPECT_GT(oneLine, 0);
    EXPECT_GT(measurer.WrappedTextHeight(text, 1500, kArial), oneLine);
    EXPECT_GT(measurer.WrappedTextHeight(text, 1500, kArial),
              measurer.WrappedTextHeight(text, 4000, kArial));
}

TEST(GdiTextMeasurerTest, EachCrLfStartsALine) {
    const GdiTextMeasurer measurer;
    const double one = measurer.WrappedTextHeight("Here", kWide, kArial);
    const double two = measurer.WrappedTextHeight("Here\r\nis", kWide, kArial);
    const double four = measurer.WrappedTextHeight("Here\r\n\r\nis\r\nan example", kWide, kArial);
    EXPECT_NEAR(two, 2 * one, 1);
    EXPECT_NEAR(four, 4 * one, 1);
}

TEST(GdiTextMeasurerTest, TheHelpParagraphWrapsToSeveralLinesAtTheLabelsWidth) {
    const GdiTextMeasurer measurer;
    const std::string text = forms::HelpText();
    const double lineHeight = measurer.WrappedTextHeight("Here", kWide, forms::kHelpLabelFont);
    // 725 pixels wide: the paragraph, two blank lines and the last line make at least 8 lines.
    EXPECT_GE(measurer.WrappedTextHeight(text, 725 * 15, forms::kHelpLabelFont), 8 * lineHeight);
}

// The build machines have Liberation Sans (Arial's metrics) but none of the Windows fonts.
TEST(GdiTextMeasurerTest, AMissingFamilyGivesWayToAnInstalledSansFamily) {
    const std::string fallback = ClosestInstalledFamily("VEXO No Such Family");
    EXPECT_NE(fallback, "VEXO No Such Family");
    EXPECT_EQ(ClosestInstalledFamily(fallback), fallback);
    // The substitute is measured as itself: same widths under either name.
    const GdiTextMeasurer measurer;
    EXPECT_EQ(measurer.TextWidth("Season Number:", {"VEXO No Such Family", 10, true}),
              measurer.TextWidth("Season Number:", {fallback, 10, true}));
}

}  // namespace
}  // namespace plumex::win32::test
