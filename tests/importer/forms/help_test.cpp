#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "importer/forms/frmHelp.h"
#include "importer/forms/help_layout.h"
#include "importer/forms/help_text.h"
#include "importer/forms/mouse_buttons.h"

namespace forms::test {
namespace {

std::vector<std::string> SplitAtCrLf(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    parts.push_back(text.substr(start));
    return parts;
}

TEST(HelpText, ThreeParagraphsSeparatedByTwoCrLfPairs) {
    const std::vector<std::string> lines = SplitAtCrLf(HelpText());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0],
              "Thank for for using VEXO(tm) Plumex TV. This program will import video files into "
              "iTunes 7.1 (or later) and will properly label and categorize the files as TV "
              "shows. Duplicate and invalid files will be ignored by iTunes, so there's no harm "
              "in re-importing TV shows.");
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[2].starts_with("A little prep work must be done first, however. "));
    EXPECT_NE(lines[2].find("Each show needs to have it's own folder."), std::string::npos);
    EXPECT_TRUE(lines[2].ends_with("Leading '0's are not necessary, but recommended."));
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "Here is an example:");
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "a lone CR or LF";
    }
}

// A frame of 90 x 405 twips around the client area, as the frontend measures it.
HelpMetrics FramedMetrics(double twipsPerPixel, double frameWidth = 90, double frameHeight = 405) {
    return HelpMetrics{.twipsPerPixelX = twipsPerPixel,
                       .twipsPerPixelY = twipsPerPixel,
                       .outerWidth = 4000,
                       .outerHeight = 3000,
                       .clientWidth = 4000 - frameWidth,
                       .clientHeight = 3000 - frameHeight};
}

const TwipsRect kMainWindow{1000, 2000, 5472, 4380};

struct BoundsCase {
    const char* name;
    HelpMetrics metrics;
    TwipsRect mainWindow;
    double labelHeight;
    TwipsRect bounds;
};

void PrintTo(const BoundsCase& c, std::ostream* out) {
    *out << c.name;
}

class HelpWindowBoundsTest : public testing::TestWithParam<BoundsCase> {};

TEST_P(HelpWindowBoundsTest, SizesToThePicturesAndCentresOverTheMainWindow) {
    const BoundsCase& c = GetParam();
    const TwipsRect bounds = HelpWindowBounds(c.metrics, c.mainWindow, c.labelHeight);
    EXPECT_DOUBLE_EQ(bounds.left, c.bounds.left);
    EXPECT_DOUBLE_EQ(bounds.top, c.bounds.top);
    EXPECT_DOUBLE_EQ(bounds.width, c.bounds.width);
    EXPECT_DOUBLE_EQ(bounds.height, c.bounds.height);
}

constexpr double kLargest = std::numeric_limits<std::int32_t>::max();

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Screens, HelpWindowBoundsTest,
    testing::Values(
        // 90 + 10 x 15 + (303 + 422) x 15 wide, 405 + 15 x 15 + 1920 + 300 x 15 high; the
        // window is wider than the main window and starts left of it, half twips and all
        BoundsCase{"at15",       FramedMetrics(15),              kMainWindow,                 1920, {-1821.5, 665, 11115, 7050}},
        BoundsCase{"at12",       FramedMetrics(12),              kMainWindow,                 1920, {-719, 1137.5, 8910, 6105}},
        // 90 + 735 x 1440 / 110 = 9711.8 wide, 405 + 315 x 1440 / 110 + 1920 = 6448.6 high
        BoundsCase{"at110dpi",   FramedMetrics(1440.0 / 110),    kMainWindow,                 1920, {-1120, 965.5, 9712, 6449}},
        // W and H round halves to even
        BoundsCase{"halves",     FramedMetrics(15, 90.5, 405.5), {0, 0, 0, 0},                1920, {-5558, -3525, 11116, 7050}},
        BoundsCase{"halvesDown", FramedMetrics(15, 89.5, 404.5), {0, 0, 0, 0},                1920, {-5557, -3525, 11114, 7050}},
        // no clamping to any screen: off to the top-left of a main window placed there
        BoundsCase{"offScreen",  FramedMetrics(15),              {-20000, -9000, 5472, 4380}, 1920, {-22821.5, -10335, 11115, 7050}},
        // a size below nothing becomes 0; one beyond 32 bits holds at the largest
        BoundsCase{"negative",   FramedMetrics(15, -20000, -20000), {0, 0, 100, 100},         0,    {50, 50, 0, 0}},
        BoundsCase{"huge",       FramedMetrics(15),              {0, 0, 0, 0},                1e12, {-5557.5, -kLargest / 2, 11115, kLargest}}),
    [](const testing::TestParamInfo<BoundsCase>& param) { return param.param.name; });
// clang-format on

struct ControlsCase {
    double twipsPerPixel;
    double clientWidth;
    HelpControls controls;
};

class ArrangeHelpControlsTest : public testing::TestWithParam<ControlsCase> {};

TEST_P(ArrangeHelpControlsTest, LabelAbovePicturesSideBySide) {
    const ControlsCase& c = GetParam();
    EXPECT_EQ(ArrangeHelpControls(c.clientWidth, 1920, c.twipsPerPixel, c.twipsPerPixel),
              c.controls);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ArrangeHelpControlsTest,
    testing::Values(
        ControlsCase{
            15, 11025, {{75, 75, 10875, 1920}, {75, 2070, 4545, 4080}, {4620, 2070, 6330, 4500}}},
        ControlsCase{
            12, 8820, {{60, 60, 8700, 1920}, {60, 2040, 3636, 3264}, {3696, 2040, 5064, 3600}}},
        // a client narrower than the two margins leaves the label no width
        ControlsCase{
            15, 100, {{75, 75, 0, 1920}, {75, 2070, 4545, 4080}, {4620, 2070, 6330, 4500}}}));

// The fake window keeps its frame and reports the client area of whatever size it was given.
class RecordingHelpView : public HelpWindowView {
  public:
    explicit RecordingHelpView(double twipsPerPixel) : metrics_(FramedMetrics(twipsPerPixel)) {}

    HelpMetrics Metrics() override { return metrics_; }
    void SetLabelText(std::string_view text) override { labelText = text; }
    void Move(const TwipsRect& bounds) override {
        moves.push_back(bounds);
        metrics_.clientWidth = bounds.width - (metrics_.outerWidth - metrics_.clientWidth);
        metrics_.clientHeight = bounds.height - (metrics_.outerHeight - metrics_.clientHeight);
        metrics_.outerWidth = bounds.width;
        metrics_.outerHeight = bounds.height;
    }
    void PlaceControls(const HelpControls& placed) override { controls.push_back(placed); }
    void PaintBackground(const std::vector<GradientLine>& lines) override { background = lines; }
    void Unload() override { ++unloads; }

    std::string labelText;
    std::vector<TwipsRect> moves;
    std::vector<HelpControls> controls;
    std::vector<GradientLine> background;
    int unloads = 0;

  private:
    HelpMetrics metrics_;
};

// 240 twips a line, 60000 twips of text in all: the narrower the label, the taller.
class WrappingMeasurer : public TextMeasurer {
  public:
    double TextWidth(std::string_view, const FontSpec&) const override { return 0; }
    double WrappedTextHeight(std::string_view text, double width,
                             const FontSpec& font) const override {
        EXPECT_EQ(text, HelpText());
        EXPECT_EQ(font, kHelpLabelFont);
        widths.push_back(width);
        return width > 0 ? 240 * std::ceil(60000 / width) : 0;
    }
    mutable std::vector<double> widths;
};

TEST(frmHelp, LoadPlacesTheWindowOnceForTheLabelAtItsFinalWidth) {
    RecordingHelpView view(15);
    WrappingMeasurer measurer;
    frmHelp help(view, measurer, kMainWindow);
    help.Form_Load();

    EXPECT_EQ(view.labelText, HelpText());
    // The label is 10875 twips wide: 6 lines of 240.
    ASSERT_EQ(view.moves.size(), 1u);
    EXPECT_EQ(view.moves[0], (TwipsRect{-1821.5, 2000 + (4380 - 6570) / 2.0, 11115, 6570}));
    ASSERT_FALSE(view.controls.empty());
    EXPECT_EQ(
        view.controls.back(),
        (HelpControls{{75, 75, 10875, 1440}, {75, 1590, 4545, 4080}, {4620, 1590, 6330, 4500}}));
    for (double width : measurer.widths) {
        EXPECT_DOUBLE_EQ(width, 10875);
    }

    // A margin of 5 pixels below the taller picture; a blue gradient over the client area.
    const double clientHeight = 6570 - 405;
    EXPECT_DOUBLE_EQ(view.controls.back().imgFile.top + view.controls.back().imgFile.height + 75,
                     clientHeight);
    ASSERT_EQ(view.background.size(), 411u);
    EXPECT_EQ(view.background.back().colour, (Colour{0, 0, 255}));
}

TEST(frmHelp, AnyClickUnloads) {
    for (void (frmHelp::*click)() : {&frmHelp::Form_Click, &frmHelp::lblHelp_Click,
                                     &frmHelp::imgFolder_Click, &frmHelp::imgFile_Click}) {
        RecordingHelpView view(15);
        WrappingMeasurer measurer;
        frmHelp help(view, measurer, kMainWindow);
        help.Form_Load();
        (help.*click)();
        EXPECT_EQ(view.unloads, 1);
    }
}

// A press (true) or a release of a button over a target.
struct MouseStep {
    bool down;
    HelpTarget target;
    int button;
};

struct ClickRuleCase {
    const char* name;
    std::vector<MouseStep> steps;
    bool closes;
};

void PrintTo(const ClickRuleCase& row, std::ostream* out) {
    *out << row.name;
}

class HelpClickRuleTest : public ::testing::TestWithParam<ClickRuleCase> {};

TEST_P(HelpClickRuleTest, OnlyALeftOrRightClickOverOneTargetCloses) {
    RecordingHelpView view(15);
    WrappingMeasurer measurer;
    frmHelp help(view, measurer, kMainWindow);
    help.Form_Load();
    for (const MouseStep& step : GetParam().steps) {
        (step.down ? help.MouseDown(step.target, step.button)
                   : help.MouseUp(step.target, step.button));
    }
    EXPECT_EQ(view.unloads, GetParam().closes ? 1 : 0);
}

using T = HelpTarget;
constexpr int kLeft = kLeftButton;
constexpr int kRight = kRightButton;

INSTANTIATE_TEST_SUITE_P(
    Steps, HelpClickRuleTest,
    ::testing::Values(
        ClickRuleCase{"LeftOnBackground", {{true, T::Form, kLeft}, {false, T::Form, kLeft}}, true},
        ClickRuleCase{
            "RightOnText", {{true, T::lblHelp, kRight}, {false, T::lblHelp, kRight}}, true},
        ClickRuleCase{"LeftOnFiles", {{true, T::imgFile, kLeft}, {false, T::imgFile, kLeft}}, true},
        ClickRuleCase{"Middle",
                      {{true, T::imgFolder, kMiddleButton}, {false, T::imgFolder, kMiddleButton}},
                      false},
        ClickRuleCase{
            "ReleasedOverAnother", {{true, T::lblHelp, kLeft}, {false, T::imgFile, kLeft}}, false},
        ClickRuleCase{
            "ReleasedOutside", {{true, T::Form, kLeft}, {false, T::Outside, kLeft}}, false},
        ClickRuleCase{
            "AnotherButtonReleased", {{true, T::Form, kLeft}, {false, T::Form, kRight}}, false},
        ClickRuleCase{"ReleaseAlone", {{false, T::Form, kLeft}}, false}),
    [](const ::testing::TestParamInfo<ClickRuleCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace forms::test
