// The progress window as a real window manager (openbox, on a display of the test's own) shows
// it, read back from the display server: 600 x 200 outside, centred, with the program's icon and
// a caption the manager adds no button to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "packager/ui/qt/progress_window.h"
#include "tests/support/private_display.h"

namespace packager::qt::test {
namespace {

using ::testing::ElementsAre;
using vexo::test_support::PrivateDisplay;

// What an X client tool (xprop, xwininfo) prints about the window.
std::string ToolOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r"); pipe != nullptr) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return output;
}

// The first group of the pattern's first match, or nothing.
std::string Group(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : std::string();
}

// The number in the first group of the pattern's first match, or -1.
int Number(const std::string& text, const std::string& pattern) {
    const std::string group = Group(text, pattern);
    return group.empty() ? -1 : std::stoi(group);
}

class WindowManagerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        display_ = new PrivateDisplay(PrivateDisplay::Manager::Openbox);
        if (!display_->Ok()) {
            return;
        }
        ::setenv("DISPLAY", display_->Name().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int argc = 1;
        static char name[] = "vexo_setup_window_manager_tests";
        static char* argv[] = {name, nullptr};
        application_ = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete application_;
        delete display_;
    }

    void SetUp() override {
        ASSERT_NE(application_, nullptr) << "Xvfb with openbox could not be started";
        window_ = std::make_unique<ProgressWindow>(state_);
        ASSERT_FALSE(window_->SetUp().has_value());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    // The tools' options naming the display and a window.
    static std::string On(const std::string& window) {
        return " -display " + display_->Name() + " -id " + window;
    }
    std::string WindowId() const { return std::to_string(window_->winId()); }
    static std::string RootId() {
        return Group(ToolOutput("xwininfo -root -display " + display_->Name()),
                     R"(Window id: (0x[0-9a-f]+))");
    }

    static PrivateDisplay* display_;
    static QApplication* application_;
    ProgressState state_;
    std::unique_ptr<ProgressWindow> window_;
};

PrivateDisplay* WindowManagerTest::display_ = nullptr;
QApplication* WindowManagerTest::application_ = nullptr;

TEST_F(WindowManagerTest, OuterSizeIs600By200CentredOnTheScreen) {
    // The manager puts each window into a frame window of its own, a child of the root window:
    // that frame is what the user sees.
    std::string outer = WindowId();
    for (std::string tree;
         (tree = ToolOutput("xwininfo -tree" + On(outer))).find("Parent window id: " + RootId()) ==
         std::string::npos;) {
        outer = Group(tree, R"(Parent window id: (0x[0-9a-f]+))");
        ASSERT_FALSE(outer.empty()) << tree;
    }
    const std::string geometry = ToolOutput("xwininfo" + On(outer));
    EXPECT_EQ(Number(geometry, R"(Width:\s+(\d+))"), 600);
    EXPECT_EQ(Number(geometry, R"(Height:\s+(\d+))"), 200);
    EXPECT_EQ(Number(geometry, R"(Absolute upper-left X:\s+(-?\d+))"), (1024 - 600) / 2);
    EXPECT_EQ(Number(geometry, R"(Absolute upper-left Y:\s+(-?\d+))"), (768 - 200) / 2);
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
    const std::string icon = ToolOutput("xprop" + On(WindowId()) + " _NET_WM_ICON");
    std::vector<int> sizes;
    const std::regex size(R"(Icon \((\d+) x)");
    for (auto match = std::sregex_iterator(icon.begin(), icon.end(), size);
         match != std::sregex_iterator(); ++match) {
        sizes.push_back(std::stoi((*match)[1].str()));
    }
    EXPECT_THAT(sizes, ElementsAre(16, 32, 48));
}

}  // namespace
}  // namespace packager::qt::test
