// Plumex's windows as a real window manager (openbox, on a display of the test's own) shows
// them, read back from the display server: outer size, frame and position, the icon the window
// carries, and the pixels of a screenshot where the layout promises them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/machine_prefix.h"
#include "importer/forms/about_layout.h"
#include "importer/forms/gradient.h"
#include "importer/forms/main_window_layout.h"
#include "importer/itunes/library/library_install.h"
#include "importer/registry/registry_api.h"
#include "importer/ui/qt/about_artwork.h"
#include "importer/ui/qt/about_window.h"
#include "importer/ui/qt/artwork.h"
#include "importer/ui/qt/frame_placement.h"
#include "importer/ui/qt/gradient_widget.h"
#include "importer/ui/qt/help_window.h"
#include "importer/ui/qt/main_window.h"
#include "tests/importer/ui/qt/modal_driver.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"
#include "tests/support/ui/qt/managed_application.h"
#include "tests/support/x_tools.h"

namespace plumex::qt::test {
namespace {

using ::testing::ElementsAreArray;
using vexo::test_support::ManagedApplication;
using vexo::test_support::ScreenBox;
using vexo::test_support::XWindows;

constexpr QPointF kScreenCentre(1024 / 2.0, 768 / 2.0);

// A pixel of a window's client area the layout promises, and its colour.
struct Promise {
    QPoint point;  // client pixels
    QRgb colour;
};

// The rows of a gradient over rows pixels, as the forms paint them.
QRgb GradientRow(int row, int rows, double twipsPerPixelY, forms::GradientColour colour) {
    const auto lines = forms::PaintGradient(
        forms::GradientSurface{rows * twipsPerPixelY, twipsPerPixelY},
        colour == forms::GradientColour::Green, colour == forms::GradientColour::Blue, false);
    const forms::Colour c = lines.at(static_cast<std::size_t>(row)).colour;
    return qRgb(c.red, c.green, c.blue);
}

// The main window's gradient surface: black in the first row; in the last row above the
// status bar, the level of that row of a gradient spanning the status bar too; imgiTunes' 48 x
// 48 picture whole over it, the corners included.
std::vector<Promise> MainPromises(QWidget& main) {
    QWidget& surface = *dynamic_cast<MainWindow&>(main).centralWidget();
    const QPoint origin = surface.mapTo(&main, QPoint(0, 0));
    const int rows = surface.height();
    const double factor = TwipsPerPixelY(main);
    const int barTop = main.findChild<QWidget*>("stbMain")->geometry().top();
    std::vector<Promise> promises{
        {origin + QPoint(1, 0), qRgb(0, 0, 0)},
        {origin + QPoint(1, barTop - 1),
         GradientRow(barTop - 1, rows, factor, forms::GradientColour::Green)}};
    const QRect box = main.findChild<QWidget*>("imgiTunes")->geometry();
    QImage expected(box.size(), QImage::Format_RGB32);
    QPainter painter(&expected);
    for (int y = 0; y < box.height(); ++y) {
        painter.setPen(
            QColor(GradientRow(box.top() + y, rows, factor, forms::GradientColour::Green)));
        painter.drawLine(0, y, box.width(), y);
    }
    painter.drawPixmap(0, 0, LibraryPicture(forms::kLibraryPictureSize.width));
    painter.end();
    for (int y = 0; y < box.height(); ++y) {
        for (int x = 0; x < box.width(); ++x) {
            promises.push_back({origin + box.topLeft() + QPoint(x, y), expected.pixel(x, y)});
        }
    }
    return promises;
}

// Help: black at the top to full blue in the bottom row.
std::vector<Promise> HelpPromises(QWidget& help) {
    const int rows = help.height();
    return {{QPoint(1, 0), qRgb(0, 0, 0)},
            {QPoint(1, rows - 1),
             GradientRow(rows - 1, rows, TwipsPerPixelY(help), forms::GradientColour::Blue)}};
}

// About: the picture's corners at the window's corners.
std::vector<Promise> AboutPromises(QWidget&) {
    const QImage picture = AboutBackground();
    std::vector<Promise> promises;
    for (const QPoint corner : {QPoint(0, 0), QPoint(599, 0), QPoint(0, 319), QPoint(599, 319)}) {
        promises.push_back({corner, picture.pixel(corner) | 0xFF000000u});
    }
    return promises;
}

enum class Opened { Main, Help, About };
enum class Over { Screen, MainWindow };

struct WindowCase {
    const char* name;
    Opened window;
    bool framed;
    QSize outer;  // when it is fixed
    Over centredOver;
    std::optional<std::vector<int>> iconSizes;  // where the window has an icon of its own
    std::vector<Promise> (*promises)(QWidget& window);
};

void PrintTo(const WindowCase& row, std::ostream* out) {
    *out << row.name;
}

class PlumexWindowManagerTest : public ::testing::TestWithParam<WindowCase> {
  protected:
    static void SetUpTestSuite() {
        desktop_ = new ManagedApplication("plumex_window_manager_tests");
    }
    static void TearDownTestSuite() { delete desktop_; }

    void SetUp() override {
        ASSERT_TRUE(desktop_->Ok()) << "Xvfb with openbox could not be started";
        ASSERT_TRUE(common::EnsureMachinePrefix().has_value());
        std::ostringstream report;
        std::ostringstream errors;
        ASSERT_TRUE(itunes::library::InstallLibrary(registry::SystemRegistryApi(), report, errors))
            << errors.str();
        MainWindowHooks hooks;
        hooks.openHelp = [](QWidget*) {};  // opened by the test, over the shown window
        main_ = std::make_unique<MainWindow>(forms::SystemStartupServices(), std::move(hooks));
        main_->Form().Form_Load();
        main_->show();
        ASSERT_TRUE(Settled(*main_, true, kScreenCentre));
    }

    // Once the display server shows the window framed as it will be (or unframed) and placed
    // around centre.
    static bool Settled(QWidget& window, bool framed, QPointF centre) {
        return QTest::qWaitForWindowExposed(&window) && QTest::qWaitFor([&] {
                   const std::string frame = Server().Frame(Id(window));
                   const ScreenBox outer = Server().Geometry(frame);
                   const ScreenBox client = Server().Geometry(Id(window));
                   return !frame.empty() && (outer.height > client.height) == framed &&
                          std::abs(outer.x + outer.width / 2.0 - centre.x()) <= 1 &&
                          std::abs(outer.y + outer.height / 2.0 - centre.y()) <= 1;
               });
    }

    // Runs check on the row's window, from inside its modal loop for Help and About.
    void WithWindow(const std::function<void(QWidget& window)>& check) {
        const WindowCase& row = GetParam();
        if (row.window == Opened::Main) {
            return check(*main_);
        }
        const auto outcome = testing::DriveNextModal([&](QWidget& window) {
            const QPointF centre = row.centredOver == Over::Screen
                                       ? kScreenCentre
                                       : QRectF(OuterGeometry(*main_)).center();
            EXPECT_TRUE(Settled(window, row.framed, centre));
            check(window);
        });
        if (row.window == Opened::Help) {
            ShowHelpWindow(main_.get());
        } else {
            ShowAboutWindow(main_.get(), [](QWidget*, const QUrl&) {});
        }
        EXPECT_TRUE(outcome->found);
    }

    static XWindows Server() { return XWindows(desktop_->DisplayName()); }
    static std::string Id(const QWidget& window) { return std::to_string(window.winId()); }

    static ManagedApplication* desktop_;
    vexo::test_support::TempFolder temp_{"vexo-plumex-wm"};
    vexo::test_support::ScopedVariable prefix_{"VEXO_PREFIX", temp_ / "prefix"};
    vexo::test_support::ScopedVariable programFiles_{"PROGRAMFILES", std::nullopt};
    std::unique_ptr<MainWindow> main_;
};

ManagedApplication* PlumexWindowManagerTest::desktop_ = nullptr;

TEST_P(PlumexWindowManagerTest, FramedSizedAndCentredAsTheFormsPlaceIt) {
    const WindowCase& row = GetParam();
    WithWindow([&](QWidget& window) {
        const std::string frame = Server().Frame(Id(window));
        ASSERT_FALSE(frame.empty());
        const ScreenBox outer = Server().Geometry(frame);
        const ScreenBox client = Server().Geometry(Id(window));
        EXPECT_EQ(outer.width > client.width && outer.height > client.height, row.framed);
        if (row.outer.isValid()) {
            EXPECT_EQ(QSize(outer.width, outer.height), row.outer);
        }
        const QPointF centre = row.centredOver == Over::Screen
                                   ? kScreenCentre
                                   : QRectF(OuterGeometry(*main_)).center();
        EXPECT_NEAR(outer.x + outer.width / 2.0, centre.x(), 1.0);
        EXPECT_NEAR(outer.y + outer.height / 2.0, centre.y(), 1.0);
        if (row.iconSizes) {
            EXPECT_THAT(Server().IconSizes(Id(window)), ElementsAreArray(*row.iconSizes));
        }
    });
}

TEST_P(PlumexWindowManagerTest, AScreenshotShowsThePixelsTheLayoutPromises) {
    WithWindow([&](QWidget& window) {
        // Painted now, and taken from the screen where the server shows it.
        window.repaint();
        const ScreenBox client = Server().Geometry(Id(window));
        const QImage shot = window.screen()
                                ->grabWindow(0, client.x, client.y, client.width, client.height)
                                .toImage()
                                .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shot.size(), window.size());
        int differing = 0;
        for (const Promise& promise : GetParam().promises(window)) {
            if (shot.pixel(promise.point) != promise.colour && ++differing <= 5) {
                ADD_FAILURE() << "at " << promise.point.x() << ", " << promise.point.y() << ": "
                              << std::hex << shot.pixel(promise.point) << " instead of "
                              << promise.colour;
            }
        }
        EXPECT_EQ(differing, 0);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PlumexWindowManagerTest,
    ::testing::Values(
        // The icon in 256 colours at 48, 32 and 16 pixels, then in 32-bit colour at 128 to 16.
        WindowCase{"Main", Opened::Main, true, QSize(), Over::Screen,
                   std::vector<int>{48, 32, 16, 128, 48, 32, 16}, &MainPromises},
        WindowCase{"Help", Opened::Help, true, QSize(), Over::MainWindow, std::vector<int>{32, 16},
                   &HelpPromises},
        WindowCase{"About", Opened::About, false,
                   QSize(forms::kAboutWindowSize.width, forms::kAboutWindowSize.height),
                   Over::Screen, std::nullopt, &AboutPromises}),
    [](const ::testing::TestParamInfo<WindowCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace plumex::qt::test
