#include "importer/ui/win32/help_window.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "importer/forms/help_layout.h"
#include "tests/importer/ui/win32/window_test_support.h"

namespace plumex::win32::test {
namespace {

using testing::ClickAt;
using testing::ProbeOwner;

using HelpWindowTest = testing::WindowTest;

POINT Centre(const RECT& rect) {
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

RECT WindowBounds(HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    return bounds;
}

TEST_F(HelpWindowTest, ShowsBothPicturesAtTheirSizeTouchingBelowTheLabel) {
    HelpWindow help(nullptr);
    ASSERT_NE(help.Handle(), nullptr);
    help.Form().Form_Load();

    ASSERT_TRUE(help.FolderPicture());
    ASSERT_TRUE(help.FilePicture());
    EXPECT_EQ(help.FolderPicture().Width(), forms::kFolderPictureSize.width);
    EXPECT_EQ(help.FolderPicture().Height(), forms::kFolderPictureSize.height);
    EXPECT_EQ(help.FilePicture().Width(), forms::kFilePictureSize.width);
    EXPECT_EQ(help.FilePicture().Height(), forms::kFilePictureSize.height);

    const RECT label = help.LabelRect();
    const RECT folder = help.FolderRect();
    const RECT file = help.FileRect();
    EXPECT_EQ(label.left, 5);
    EXPECT_EQ(label.top, 5);
    EXPECT_GT(label.bottom - label.top, 40) << "the paragraph takes several lines";
    EXPECT_EQ(folder.left, 5);
    EXPECT_EQ(folder.top, label.bottom + 5);
    EXPECT_EQ(file.left, folder.right);
    EXPECT_EQ(file.top, folder.top);

    // A margin of 5 pixels around everything, and no more.
    RECT client{};
    GetClientRect(help.Handle(), &client);
    EXPECT_EQ(client.right, 10 + forms::kFolderPictureSize.width + forms::kFilePictureSize.width);
    EXPECT_EQ(client.bottom, file.top + forms::kFilePictureSize.height + 5);
    EXPECT_EQ(label.right, client.right - 5);
}

struct ClickCase {
    const char* name;
    RECT (*where)(const HelpWindow&);
};

void PrintTo(const ClickCase& c, std::ostream* out) {
    *out << c.name;
}

class HelpClickTest : public HelpWindowTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(HelpClickTest, AClickClosesTheWindow) {
    HelpWindow help(nullptr);
    help.Form().Form_Load();
    HWND window = help.Handle();
    ASSERT_NE(window, nullptr);
    const RECT target = GetParam().where(help);
    ClickAt(window, Centre(target));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(help.Handle(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, HelpClickTest,
    ::testing::Values(
        ClickCase{"Label", [](const HelpWindow& help) { return help.LabelRect(); }},
        ClickCase{"FolderPicture", [](const HelpWindow& help) { return help.FolderRect(); }},
        ClickCase{"FilePicture", [](const HelpWindow& help) { return help.FileRect(); }},
        ClickCase{"TopLeftMargin",
                  [](const HelpWindow&) {
                      return RECT{0, 0, 4, 4};
                  }},
        ClickCase{
            "MarginBetweenTextAndPictures",
            [](const HelpWindow& help) {
                const RECT label = help.LabelRect();
                return RECT{label.left + 20, label.bottom + 1, label.left + 21, label.bottom + 4};
            }}),
    [](const ::testing::TestParamInfo<ClickCase>& param) { return std::string(param.param.name); });

TEST_F(HelpWindowTest, APressThatIsReleasedOverAnotherControlIsNoClick) {
    HelpWindow help(nullptr);
    help.Form().Form_Load();
    HWND window = help.Handle();
    const POINT onLabel = Centre(help.LabelRect());
    const POINT onFile = Centre(help.FileRect());
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(onLabel.x, onLabel.y));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(onFile.x, onFile.y));
    EXPECT_TRUE(IsWindow(window));
}

struct ButtonCase {
    const char* name;
    UINT press;
    UINT release;
    WPARAM held;
    bool closes;
};

void PrintTo(const ButtonCase& c, std::ostream* out) {
    *out << c.name;
}

class HelpButtonTest : public HelpWindowTest, public ::testing::WithParamInterface<ButtonCase> {};

// Clicks of the left and the right button close the window, as they do on every frontend.
TEST_P(HelpButtonTest, OnlyLeftAndRightClicksClose) {
    HelpWindow help(nullptr);
    help.Form().Form_Load();
    HWND window = help.Handle();
    const POINT onFolder = Centre(help.FolderRect());
    SendMessageA(window, GetParam().press, GetParam().held, MAKELPARAM(onFolder.x, onFolder.y));
    SendMessageA(window, GetParam().release, 0, MAKELPARAM(onFolder.x, onFolder.y));
    EXPECT_EQ(IsWindow(window) == FALSE, GetParam().closes);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, HelpButtonTest,
    ::testing::Values(ButtonCase{"Left", WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, true},
                      ButtonCase{"Right", WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, true},
                      ButtonCase{"Middle", WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, false}),
    [](const ::testing::TestParamInfo<ButtonCase>& param) {
        return std::string(param.param.name);
    });

// Opens Help modally over owner, checks it from inside its loop and closes it with a click.
RECT ShowAndClose(ProbeOwner& owner) {
    RECT shown{};
    owner.Probe([&] {
        EXPECT_FALSE(IsWindowEnabled(owner.Handle())) << "the owner takes no input meanwhile";
        HWND help = testing::ShownWindowOtherThan(owner.Handle());
        ASSERT_NE(help, nullptr);
        char caption[16] = {};
        GetWindowTextA(help, caption, sizeof caption);
        EXPECT_STREQ(caption, "Help");
        shown = WindowBounds(help);
        ClickAt(help, POINT{2, 2});
    });
    ShowHelpWindow(owner.Handle());
    EXPECT_TRUE(owner.Probed());
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    return shown;
}

TEST_F(HelpWindowTest, OpensCentredOverTheOwnerNotShownYetAndReturnsOnceClosed) {
    // Partly off the screen: the Help window follows it there.
    ProbeOwner owner(RECT{-200, 40, 500, 560});
    ASSERT_NE(owner.Handle(), nullptr);
    const RECT first = ShowAndClose(owner);
    const RECT ownerBounds = WindowBounds(owner.Handle());
    EXPECT_NEAR((first.left + first.right) / 2.0, (ownerBounds.left + ownerBounds.right) / 2.0,
                1.0);
    EXPECT_NEAR((first.top + first.bottom) / 2.0, (ownerBounds.top + ownerBounds.bottom) / 2.0,
                1.0);
    EXPECT_LT(first.left, 0);

    // Rebuilt on every opening, it comes back the same.
    const RECT second = ShowAndClose(owner);
    EXPECT_TRUE(EqualRect(&first, &second));
}

TEST_F(HelpWindowTest, WithoutAnOwnerOpensCentredOnTheScreen) {
    // The probe's window owns nothing here; it only carries the probe into the modal loop.
    ProbeOwner prober(RECT{0, 0, 100, 100});
    RECT shown{};
    prober.Probe([&] {
        HWND help = testing::ShownWindowOtherThan(prober.Handle());
        ASSERT_NE(help, nullptr);
        shown = WindowBounds(help);
        ClickAt(help, POINT{2, 2});
    });
    ShowHelpWindow(nullptr);
    ASSERT_TRUE(prober.Probed());
    EXPECT_NEAR((shown.left + shown.right) / 2.0, GetSystemMetrics(SM_CXSCREEN) / 2.0, 1.0);
    EXPECT_NEAR((shown.top + shown.bottom) / 2.0, GetSystemMetrics(SM_CYSCREEN) / 2.0, 1.0);
}

}  // namespace
}  // namespace plumex::win32::test
