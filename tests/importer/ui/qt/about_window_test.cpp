#include "importer/ui/qt/about_window.h"

#include <gtest/gtest.h>

#include <QTest>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "importer/ui/qt/about_artwork.h"
#include "tests/importer/ui/qt/modal_driver.h"

namespace plumex::qt::test {
namespace {

using forms::ButtonState;
using forms::LogoState;
using testing::MoveTo;
using testing::PressAt;
using testing::ReleaseAt;

constexpr QPoint kOnButton(500, 260);
constexpr QPoint kOnLogo(300, 40);
constexpr QPoint kOnNeither(300, 150);

struct AboutRun {
    bool found = false;
    bool leftOpen = false;
    std::vector<QUrl> opened;
    bool openedOverTheWindow = true;
};

// Opens the About window modally, runs script on it from inside its loop, and reports what
// became of it. Addresses go to a recorder, never to a browser.
AboutRun RunAbout(const std::function<void(AboutWindow&)>& script) {
    AboutRun run;
    QWidget* shown = nullptr;
    const auto outcome = testing::DriveNextModal([&](QWidget& window) {
        auto* about = dynamic_cast<AboutWindow*>(&window);
        ASSERT_NE(about, nullptr);
        shown = about;
        script(*about);
    });
    ShowAboutWindow(nullptr, [&](QWidget* parent, const QUrl& address) {
        run.opened.push_back(address);
        run.openedOverTheWindow = run.openedOverTheWindow && parent == shown;
    });
    run.found = outcome->found;
    run.leftOpen = outcome->leftOpen;
    return run;
}

// Every opaque pixel of the state's image shows in the window at the button's place.
bool ShowsButton(QWidget& window, ButtonState state) {
    const QImage shown = window.grab().toImage();
    const QImage image = WithMaskTransparent(AboutButtonImage(state));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb expected = image.pixel(x, y);
            if (qAlpha(expected) == 255 &&
                (shown.pixel(forms::kButtonOrigin.x + x, forms::kButtonOrigin.y + y) & 0xFFFFFF) !=
                    (expected & 0xFFFFFF)) {
                return false;
            }
        }
    }
    return true;
}

TEST(AboutWindowTest, LoadsAsA600By320PictureWithTheVersionLineWithinNinetyPercent) {
    const AboutRun run = RunAbout([](AboutWindow& window) {
        EXPECT_EQ(window.size(), QSize(600, 320));
        EXPECT_TRUE(window.windowTitle().isEmpty());
        EXPECT_TRUE(ShowsButton(window, ButtonState::Up));

        // The title is drawn light on the dark picture, somewhere about the middle.
        const QImage shown = window.grab().toImage();
        int left = shown.width();
        int right = -1;
        for (int y = 100; y < 220; ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                if (qRed(shown.pixel(x, y)) > 200) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        EXPECT_GE(left, 30);
        EXPECT_LE(right, 570);
        EXPECT_GT(right - left, 300);
    });
    EXPECT_TRUE(run.found);
}

enum class Area { Logo, Button };

struct HotSpotEdge {
    QPoint point;
    Area area;
    bool inside;
};

// The hot spots' edges lie inside; one pixel further out does not.
TEST(AboutWindowTest, HotSpotEdgesLightTheirPictureAndShowTheHand) {
    const HotSpotEdge edges[] = {
        {{19, 21}, Area::Logo, true},      {{580, 54}, Area::Logo, true},
        {{18, 21}, Area::Logo, false},     {{19, 20}, Area::Logo, false},
        {{581, 54}, Area::Logo, false},    {{580, 55}, Area::Logo, false},
        {{440, 243}, Area::Button, true},  {{570, 286}, Area::Button, true},
        {{439, 243}, Area::Button, false}, {{570, 287}, Area::Button, false},
    };
    const AboutRun run = RunAbout([&](AboutWindow& window) {
        for (const HotSpotEdge& edge : edges) {
            SCOPED_TRACE(std::to_string(edge.point.x()) + ", " + std::to_string(edge.point.y()));
            // Come from the other side of the edge, so that the move has to change something.
            const QPoint from = edge.inside               ? kOnNeither
                                : edge.area == Area::Logo ? kOnLogo
                                                          : kOnButton;
            MoveTo(window, from, Qt::NoButton);
            MoveTo(window, edge.point, Qt::NoButton);
            const bool lit = edge.area == Area::Logo ? window.Form().Logo() == LogoState::Lit
                                                     : window.Form().Button() == ButtonState::Over;
            EXPECT_EQ(lit, edge.inside);
            EXPECT_EQ(window.cursor().shape(), edge.inside ? Qt::BitmapCursor : Qt::ArrowCursor);
        }
    });
    EXPECT_TRUE(run.found);
}

struct MouseStep {
    enum Kind { Press, Move, Release } kind;
    QPoint at;
    Qt::MouseButton button;  // pressed, held while moving, or released
};

struct ButtonCase {
    std::string name;
    std::vector<MouseStep> steps;
    bool closes;
    ButtonState afterwards;  // when it stays open
};

void PrintTo(const ButtonCase& row, std::ostream* out) {
    *out << row.name;
}

class AboutButtonTest : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(AboutButtonTest, PressesAndReleases) {
    const ButtonCase& test = GetParam();
    ButtonState afterwards = ButtonState::Up;
    bool showsIt = false;
    const AboutRun run = RunAbout([&](AboutWindow& window) {
        for (const MouseStep& step : test.steps) {
            switch (step.kind) {
                case MouseStep::Press:
                    PressAt(window, step.at, step.button);
                    break;
                case MouseStep::Move:
                    MoveTo(window, step.at, step.button);
                    break;
                case MouseStep::Release:
                    ReleaseAt(window, step.at, step.button);
                    break;
            }
        }
        afterwards = window.Form().Button();
        showsIt = ShowsButton(window, afterwards);
    });
    ASSERT_TRUE(run.found);
    EXPECT_EQ(run.leftOpen, !test.closes);
    EXPECT_TRUE(run.opened.empty());
    if (!test.closes) {
        EXPECT_EQ(afterwards, test.afterwards);
        EXPECT_TRUE(showsIt);
    }
}

using Step = MouseStep;
INSTANTIATE_TEST_SUITE_P(
    AboutWindowTest, AboutButtonTest,
    ::testing::Values(ButtonCase{"ReleaseOnThePressedButtonCloses",
                                 {{Step::Press, kOnButton, Qt::LeftButton},
                                  {Step::Release, kOnButton, Qt::LeftButton}},
                                 true,
                                 ButtonState::Up},
                      ButtonCase{"PressMoveOutReleaseOutsideStaysOpenWithTheButtonUp",
                                 {{Step::Press, kOnButton, Qt::LeftButton},
                                  {Step::Move, kOnNeither, Qt::LeftButton},
                                  {Step::Release, kOnNeither, Qt::LeftButton}},
                                 false,
                                 ButtonState::Up},
                      ButtonCase{"PressMoveOutAndBackInThenReleaseCloses",
                                 {{Step::Press, kOnButton, Qt::LeftButton},
                                  {Step::Move, kOnNeither, Qt::LeftButton},
                                  {Step::Move, kOnButton, Qt::LeftButton},
                                  {Step::Release, kOnButton, Qt::LeftButton}},
                                 true,
                                 ButtonState::Up},
                      ButtonCase{"LeftPressShowsDown",
                                 {{Step::Press, kOnButton, Qt::LeftButton}},
                                 false,
                                 ButtonState::Down},
                      ButtonCase{"RightButtonShowsOverAndItsReleaseDoesNotClose",
                                 {{Step::Press, kOnButton, Qt::RightButton},
                                  {Step::Release, kOnButton, Qt::RightButton}},
                                 false,
                                 ButtonState::Over}),
    [](const ::testing::TestParamInfo<ButtonCase>& row) { return row.param.name; });

class AboutLogoTest : public ::testing::TestWithParam<Qt::MouseButton> {};

// Any button released on the lit logo opens the maker's site, over the About window, which
// stays open.
TEST_P(AboutLogoTest, ReleaseOnTheLitLogoOpensTheWebSite) {
    const AboutRun run = RunAbout([](AboutWindow& window) {
        MoveTo(window, kOnLogo, Qt::NoButton);
        PressAt(window, kOnLogo, GetParam());
        ReleaseAt(window, kOnLogo, GetParam());
    });
    ASSERT_TRUE(run.found);
    EXPECT_TRUE(run.leftOpen);
    ASSERT_EQ(run.opened.size(), 1U);
    EXPECT_EQ(run.opened[0], QUrl(QStringLiteral("http://www.vexo.com/")));
    EXPECT_TRUE(run.openedOverTheWindow);
}

INSTANTIATE_TEST_SUITE_P(AboutWindowTest, AboutLogoTest,
                         ::testing::Values(Qt::LeftButton, Qt::RightButton));

struct KeyCase {
    std::string name;
    std::function<void(QWidget&)> type;
    bool closes;
};

void PrintTo(const KeyCase& row, std::ostream* out) {
    *out << row.name;
}

class AboutKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(AboutKeyTest, OnlyEscEnterAndOClose) {
    const AboutRun run = RunAbout([](AboutWindow& window) { GetParam().type(window); });
    ASSERT_TRUE(run.found);
    EXPECT_EQ(run.leftOpen, !GetParam().closes);
}

INSTANTIATE_TEST_SUITE_P(
    AboutWindowTest, AboutKeyTest,
    ::testing::Values(
        KeyCase{"Escape", [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Escape); }, true},
        KeyCase{"Return", [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Return); }, true},
        KeyCase{"KeypadEnter",
                [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Enter, Qt::KeypadModifier); }, true},
        KeyCase{"SmallO", [](QWidget& w) { QTest::keyClick(&w, 'o'); }, true},
        KeyCase{"CapitalO", [](QWidget& w) { QTest::keyClick(&w, 'O'); }, true},
        KeyCase{"SmallX", [](QWidget& w) { QTest::keyClick(&w, 'x'); }, false},
        KeyCase{"Space", [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Space); }, false},
        KeyCase{"F1", [](QWidget& w) { QTest::keyClick(&w, Qt::Key_F1); }, false}),
    [](const ::testing::TestParamInfo<KeyCase>& row) { return row.param.name; });

}  // namespace
}  // namespace plumex::qt::test
