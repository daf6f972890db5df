// The progress window as a real window manager (openbox, on a display of the test's own) shows
// it, read back from the display server: 600 x 200 outside, centred, with the program's icon and
// a caption the manager adds no button to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <memory>
#include <string>

#include "packager/ui/qt/progress_window.h"
#include "tests/support/ui/qt/managed_application.h"
#include "tests/support/x_tools.h"

namespace packager::qt::test {
namespace {

using ::testing::ElementsAre;
using vexo::test_support::ManagedApplication;
using vexo::test_support::ScreenBox;
using vexo::test_support::XWindows;

class WindowManagerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        desktop_ = new ManagedApplication("vexo_setup_window_manager_tests");
    }
    static void TearDownTestSuite() { delete desktop_; }

    void SetUp() override {
        ASSERT_TRUE(desktop_->Ok()) << "Xvfb with openbox could not be started";
        window_ = std::make_unique<ProgressWindow>(state_);
        ASSERT_FALSE(window_->SetUp().has_value());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    std::string WindowId() const { return std::to_string(window_->winId()); }
    static XWindows Server() { return XWindows(desktop_->DisplayName()); }

    static ManagedApplication* desktop_;
    ProgressState state_;
    std::unique_ptr<ProgressWindow> window_;
};

ManagedApplication* WindowManagerTest::desktop_ = nullptr;

TEST_F(WindowManagerTest, OuterSizeIs600By200CentredOnTheScreen) {
    // The manager puts each window into a frame window of its own: that is what the user sees.
    const std::string outer = Server().Frame(WindowId());
    ASSERT_FALSE(outer.empty());
    EXPECT_EQ(Server().Geometry(outer), (ScreenBox{(1024 - 600) / 2, (768 - 200) / 2, 600, 200}));
}

TEST_F(WindowManagerTest, DrawsItsCaptionWithoutButtons) {
    // The frame above is the window itself, so the manager added no caption and no button; the
    // window draws its caption across its top.
    const QImage picture = window_->grab().toImage();
    const QRgb caption = window_->palette().color(QPalette::Highlight).rgb();
    const QRect client = window_->ClientRect();
    EXPECT_EQ(picture.pixel(client.right() - 2, client.top() - 4), caption);
    EXPECT_EQ(picture.pixel(client.center().x(), client.top() - 4), caption);
}

TEST_F(WindowManagerTest, CarriesTheProgramsIcon) {
    // The program's icon file holds 16, 32 and 48 pixel pictures; Qt's stand-in has one.
    EXPECT_THAT(Server().IconSizes(WindowId()), ElementsAre(16, 32, 48));
}

}  // namespace
}  // namespace packager::qt::test
