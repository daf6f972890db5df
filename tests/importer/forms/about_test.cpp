#include "importer/forms/frmAbout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "importer/forms/version_line.h"

namespace forms::test {
namespace {

constexpr double kTwipsPerPixel = 15;

// Records every effect as one line of text, in order.
class RecordingAboutView : public AboutWindowView {
  public:
    AboutMetrics Metrics() override { return metrics; }
    void SetOuterSize(double width, double height) override {
        Record("size " + std::to_string(width) + " x " + std::to_string(height));
    }
    void DrawBackground() override { Record("background"); }
    void DrawVersionLine(std::string_view line, const FontSpec& font,
                         const PixelBox& box) override {
        versionLine = line;
        versionFont = font;
        versionBox = box;
    }
    void Move(double left, double top) override {
        Record("move " + std::to_string(left) + ", " + std::to_string(top));
    }
    void DrawLogo(LogoState state) override { Record("logo " + std::string(ImageKey(state))); }
    void DrawButton(ButtonState state) override {
        Record("button " + std::string(ImageKey(state)));
    }
    void SetCursor(AboutCursor cursor) override {
        Record(cursor == AboutCursor::Hand ? "hand" : "arrow");
    }
    void OpenWebSite(std::string_view address) override { Record("open " + std::string(address)); }
    void Unload() override { Record("unload"); }

    void Record(std::string effect) { effects.push_back(std::move(effect)); }

    AboutMetrics metrics{kTwipsPerPixel, kTwipsPerPixel, 28800, 16200, 9000};
    std::vector<std::string> effects;
    std::string versionLine;
    FontSpec versionFont;
    PixelBox versionBox;
};

// Every point size is as wide as the window allows, so the largest fits.
class NarrowText : public TextMeasurer {
  public:
    double TextWidth(std::string_view, const FontSpec&) const override { return 100; }
    double WrappedTextHeight(std::string_view, double, const FontSpec&) const override { return 0; }
};

enum class Event { Move, Down, Up };

constexpr PixelPoint kOnLogo{300, 40};
constexpr PixelPoint kOnButton{500, 260};
constexpr PixelPoint kElsewhere{100, 150};
constexpr int kNoButton = 0;

class AboutFixture {
  public:
    AboutFixture() : about(view, measurer) {
        about.Form_Load();
        view.effects.clear();
    }

    void Send(Event event, PixelPoint at, int buttons) {
        const double x = at.x * kTwipsPerPixel;
        const double y = at.y * kTwipsPerPixel;
        switch (event) {
            case Event::Move:
                about.Form_MouseMove(buttons, 0, x, y);
                break;
            case Event::Down:
                about.Form_MouseDown(buttons, 0, x, y);
                break;
            case Event::Up:
                about.Form_MouseUp(buttons, 0, x, y);
                break;
        }
    }

    RecordingAboutView view;
    NarrowText measurer;
    frmAbout about;
};

// The states a transition starts from, each reached by one move.
enum class Start { Idle, LogoLit, ButtonOver, ButtonDown };

struct TransitionCase {
    const char* name;
    Start start;
    Event event;
    PixelPoint at;
    int buttons;
    LogoState logo;
    ButtonState button;
    std::string_view effects;  // in order, separated by "; "
};

void PrintTo(const TransitionCase& c, std::ostream* out) {
    *out << c.name;
}

std::string Joined(const std::vector<std::string>& effects) {
    std::string joined;
    for (const std::string& effect : effects) {
        joined += (joined.empty() ? "" : "; ") + effect;
    }
    return joined;
}

class AboutTransitionTest : public testing::TestWithParam<TransitionCase> {};

TEST_P(AboutTransitionTest, DrawsOnlyOnChangeAndActsOnRelease) {
    const TransitionCase& c = GetParam();
    AboutFixture window;
    switch (c.start) {
        case Start::Idle:
            break;
        case Start::LogoLit:
            window.Send(Event::Move, kOnLogo, kNoButton);
            break;
        case Start::ButtonOver:
            window.Send(Event::Move, kOnButton, kNoButton);
            break;
        case Start::ButtonDown:
            window.Send(Event::Move, kOnButton, kLeftButton);
            break;
    }
    window.view.effects.clear();

    window.Send(c.event, c.at, c.buttons);
    EXPECT_EQ(window.about.Logo(), c.logo);
    EXPECT_EQ(window.about.Button(), c.button);
    EXPECT_EQ(Joined(window.view.effects), c.effects);
}

using L = LogoState;
using B = ButtonState;
using S = Start;
using E = Event;
constexpr PixelPoint kLogo = kOnLogo;
constexpr PixelPoint kButton = kOnButton;
constexpr PixelPoint kOut = kElsewhere;
constexpr int kLeft = kLeftButton;
constexpr int kRight = kRightButton;
const std::string kOpen = "open " + std::string(kMakerWebSite);

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, AboutTransitionTest,
    testing::Values(
        //             name                 start          event    at       buttons         logo       button   effects
        // from the state after loading
        TransitionCase{"MoveOntoLogo",      S::Idle,       E::Move, kLogo,   0,              L::Lit,    B::Up,   "logo Over; hand"},
        TransitionCase{"MoveOntoButton",    S::Idle,       E::Move, kButton, 0,              L::Normal, B::Over, "button Over; hand"},
        TransitionCase{"DragLeftOnto",      S::Idle,       E::Move, kButton, kLeft,          L::Normal, B::Down, "button Down; hand"},
        TransitionCase{"DragRightOnto",     S::Idle,       E::Move, kButton, kRight,         L::Normal, B::Over, "button Over; hand"},
        TransitionCase{"DragBothOnto",      S::Idle,       E::Move, kButton, kLeft + kRight, L::Normal, B::Over, "button Over; hand"},
        TransitionCase{"MoveElsewhere",     S::Idle,       E::Move, kOut,    0,              L::Normal, B::Up,   "arrow"},
        TransitionCase{"PressLeft",         S::Idle,       E::Down, kButton, kLeft,          L::Normal, B::Down, "button Down; hand"},
        TransitionCase{"PressMiddle",       S::Idle,       E::Down, kButton, kMiddleButton,  L::Normal, B::Over, "button Over; hand"},
        TransitionCase{"ReleaseUnpressed",  S::Idle,       E::Up,   kButton, kLeft,          L::Normal, B::Up,   ""},
        TransitionCase{"ReleaseOnUnlit",    S::Idle,       E::Up,   kLogo,   kLeft,          L::Normal, B::Up,   ""},
        // the lit logo
        TransitionCase{"LitStays",          S::LogoLit,    E::Move, kLogo,   0,              L::Lit,    B::Up,   "hand"},
        TransitionCase{"LitLeft",           S::LogoLit,    E::Move, kOut,    0,              L::Normal, B::Up,   "logo VEXO; arrow"},
        TransitionCase{"LitToButton",       S::LogoLit,    E::Move, kButton, kLeft,          L::Normal, B::Down, "logo VEXO; button Down; hand"},
        TransitionCase{"LitReleaseLeft",    S::LogoLit,    E::Up,   kLogo,   kLeft,          L::Lit,    B::Up,   kOpen},
        TransitionCase{"LitReleaseRight",   S::LogoLit,    E::Up,   kLogo,   kRight,         L::Lit,    B::Up,   kOpen},
        // the lit button
        TransitionCase{"OverStays",         S::ButtonOver, E::Move, kButton, 0,              L::Normal, B::Over, "hand"},
        TransitionCase{"OverPressed",       S::ButtonOver, E::Down, kButton, kLeft,          L::Normal, B::Down, "button Down; hand"},
        TransitionCase{"OverLeft",          S::ButtonOver, E::Move, kOut,    0,              L::Normal, B::Up,   "button Up; arrow"},
        TransitionCase{"OverToLogo",        S::ButtonOver, E::Move, kLogo,   0,              L::Lit,    B::Up,   "logo Over; button Up; hand"},
        TransitionCase{"OverReleased",      S::ButtonOver, E::Up,   kButton, kRight,         L::Normal, B::Over, ""},
        // the pressed button
        TransitionCase{"DownStays",         S::ButtonDown, E::Move, kButton, kLeft,          L::Normal, B::Down, "hand"},
        TransitionCase{"DownLetGo",         S::ButtonDown, E::Move, kButton, 0,              L::Normal, B::Over, "button Over; hand"},
        TransitionCase{"DownSecondPress",   S::ButtonDown, E::Down, kButton, kRight,         L::Normal, B::Over, "button Over; hand"},
        TransitionCase{"DownDraggedOut",    S::ButtonDown, E::Move, kOut,    kLeft,          L::Normal, B::Up,   "button Up; arrow"},
        TransitionCase{"DownDraggedToLogo", S::ButtonDown, E::Move, kLogo,   kLeft,          L::Lit,    B::Up,   "logo Over; button Up; hand"},
        TransitionCase{"DownReleased",      S::ButtonDown, E::Up,   kButton, kLeft,          L::Normal, B::Down, "unload"},
        TransitionCase{"DownReleasedRight", S::ButtonDown, E::Up,   kButton, kRight,         L::Normal, B::Down, "unload"},
        TransitionCase{"DownReleasedOut",   S::ButtonDown, E::Up,   kOut,    kLeft,          L::Normal, B::Down, ""}),
    [](const testing::TestParamInfo<TransitionCase>& param) { return param.param.name; });
// clang-format on

TEST(frmAbout, PressMoveOutAndBackInStillCloses) {
    AboutFixture window;
    window.Send(Event::Down, kOnButton, kLeftButton);
    window.Send(Event::Move, kElsewhere, kLeftButton);
    EXPECT_EQ(window.about.Button(), ButtonState::Up);
    window.Send(Event::Move, kOnButton, kLeftButton);
    EXPECT_EQ(window.about.Button(), ButtonState::Down);
    window.Send(Event::Up, kOnButton, kLeftButton);
    ASSERT_FALSE(window.view.effects.empty());
    EXPECT_EQ(window.view.effects.back(), "unload");
}

struct HotSpotCase {
    double x;  // pixels, before the conversion to twips
    double y;
    double twipsPerPixel;
    bool onLogo;
    bool onButton;
};

class AboutHotSpotTest : public testing::TestWithParam<HotSpotCase> {};

TEST_P(AboutHotSpotTest, EdgesInsideAfterRoundingToWholePixels) {
    const HotSpotCase& c = GetParam();
    RecordingAboutView view;
    view.metrics.twipsPerPixelX = c.twipsPerPixel;
    view.metrics.twipsPerPixelY = c.twipsPerPixel;
    NarrowText measurer;
    frmAbout about(view, measurer);
    about.Form_Load();
    about.Form_MouseMove(0, 0, c.x * c.twipsPerPixel, c.y * c.twipsPerPixel);
    EXPECT_EQ(about.Logo() == LogoState::Lit, c.onLogo) << c.x << ", " << c.y;
    EXPECT_EQ(about.Button() == ButtonState::Over, c.onButton) << c.x << ", " << c.y;
    ASSERT_FALSE(view.effects.empty());
    EXPECT_EQ(view.effects.back(), c.onLogo || c.onButton ? "hand" : "arrow");
}

INSTANTIATE_TEST_SUITE_P(
    Points, AboutHotSpotTest,
    testing::Values(HotSpotCase{19, 21, 15, true, false}, HotSpotCase{580, 54, 15, true, false},
                    HotSpotCase{18, 21, 15, false, false}, HotSpotCase{19, 20, 15, false, false},
                    HotSpotCase{581, 54, 15, false, false}, HotSpotCase{580, 55, 15, false, false},
                    HotSpotCase{19, 21, 12, true, false}, HotSpotCase{18, 21, 12, false, false},
                    // half pixels go to the even neighbour
                    HotSpotCase{18.5, 30, 15, false, false}, HotSpotCase{19.5, 30, 15, true, false},
                    HotSpotCase{580.5, 54.5, 15, true, false},
                    HotSpotCase{300, 20.5, 12, false, false},
                    HotSpotCase{440, 243, 15, false, true}, HotSpotCase{570, 286, 15, false, true},
                    HotSpotCase{439, 243, 15, false, false},
                    HotSpotCase{570, 287, 15, false, false},
                    // far outside any pixel
                    HotSpotCase{1e12, 1e12, 15, false, false}));

TEST(frmAbout, EscapeEnterAndOClose) {
    for (int key : {kEscapeKey, kEnterKey, int{'o'}, int{'O'}, int{'p'}, int{' '}, 0, 10}) {
        AboutFixture window;
        window.about.Form_KeyPress(key);
        const bool closes = key == 27 || key == 13 || key == 'o' || key == 'O';
        EXPECT_EQ(window.view.effects,
                  closes ? std::vector<std::string>{"unload"} : std::vector<std::string>{})
            << key;
    }
}

TEST(frmAbout, LoadSizesDrawsAndCentresOnTheScreen) {
    RecordingAboutView view;
    NarrowText measurer;
    frmAbout about(view, measurer);
    about.Form_Load();
    EXPECT_EQ(view.effects,
              (std::vector<std::string>{"size 9000.000000 x 4800.000000", "background",
                                        "move 9900.000000, 5700.000000"}));
    EXPECT_EQ(view.versionLine, "VEXO(tm) Plumex TV v1.0.2");
    EXPECT_EQ(view.versionFont, VersionFont(28));
    EXPECT_EQ(view.versionBox.right, 599);
    EXPECT_EQ(view.versionBox.bottom, 319);
    EXPECT_EQ(about.Logo(), LogoState::Normal);
    EXPECT_EQ(about.Button(), ButtonState::Up);

    // A screen smaller than the window puts it partly above and left of the screen.
    view.metrics = AboutMetrics{12, 12, 6000, 3000, 7200};
    view.effects.clear();
    about.Form_Load();
    ASSERT_FALSE(view.effects.empty());
    EXPECT_EQ(view.effects.back(), "move -600.000000, -420.000000");
}

}  // namespace
}  // namespace forms::test
