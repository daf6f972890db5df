#include "importer/ui/win32/about_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "importer/forms/about_layout.h"
#include "importer/forms/main_window_layout.h"
#include "importer/ui/win32/resource_ids.h"
#include "tests/importer/ui/win32/window_test_support.h"

namespace plumex::win32::test {
namespace {

using forms::AboutCursor;
using forms::ButtonState;
using forms::LogoState;
using testing::ProbeOwner;

constexpr POINT kOnButton{500, 260};
constexpr POINT kOnLogo{300, 40};
constexpr POINT kOnNeither{300, 150};

LPARAM At(POINT point) {
    return MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
}

class AboutWindowTest : public testing::WindowTest {
  protected:
    void SetUp() override {
        testing::WindowTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        about_ =
            std::make_unique<AboutWindow>(nullptr, [this](HWND parent, const std::string& address) {
                opened_.push_back(address);
                openedOverTheWindow_ = openedOverTheWindow_ && parent == window_;
            });
        window_ = about_->Handle();
        ASSERT_NE(window_, nullptr);
        about_->Form().Form_Load();
    }

    void MoveTo(POINT point, WPARAM keys = 0) {
        SendMessageA(window_, WM_MOUSEMOVE, keys, At(point));
    }
    void Press(UINT message, WPARAM keys, POINT point) {
        SendMessageA(window_, message, keys, At(point));
    }
    bool Open() const { return IsWindow(window_) != FALSE; }

    std::unique_ptr<AboutWindow> about_;
    HWND window_ = nullptr;
    std::vector<std::string> opened_;
    bool openedOverTheWindow_ = true;
};

TEST_F(AboutWindowTest, LoadsAsAFrameless600By320PictureCentredOnTheScreen) {
    RECT bounds{};
    RECT client{};
    GetWindowRect(window_, &bounds);
    GetClientRect(window_, &client);
    EXPECT_EQ(bounds.right - bounds.left, 600);
    EXPECT_EQ(bounds.bottom - bounds.top, 320);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 320);
    EXPECT_EQ(bounds.left, (GetSystemMetrics(SM_CXSCREEN) - 600) / 2);
    EXPECT_EQ(bounds.top, (GetSystemMetrics(SM_CYSCREEN) - 320) / 2);
    EXPECT_EQ(GetWindowTextLengthA(window_), 0);
}

struct PictureCase {
    const char* name;
    int id;
    int width;
    int height;
};

void PrintTo(const PictureCase& c, std::ostream* out) {
    *out << c.name;
}

class PictureResourceTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureResourceTest, LoadsAtItsSize) {
    const GdiBitmap picture = LoadPictureResource(GetParam().id);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture.Width(), GetParam().width);
    EXPECT_EQ(picture.Height(), GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(
    Resources, PictureResourceTest,
    ::testing::Values(PictureCase{"Background", IDP_ABOUT_BACKGROUND, 600, 320},
                      PictureCase{"LogoVexo", IDP_ABOUT_LOGO_VEXO, 600, 66},
                      PictureCase{"LogoOver", IDP_ABOUT_LOGO_OVER, 600, 66},
                      PictureCase{"ButtonUp", IDP_ABOUT_BUTTON_UP, 172, 85},
                      PictureCase{"ButtonOver", IDP_ABOUT_BUTTON_OVER, 172, 85},
                      PictureCase{"ButtonDown", IDP_ABOUT_BUTTON_DOWN, 172, 85},
                      PictureCase{"HelpFolder", IDP_HELP_FOLDER, 303, 272},
                      PictureCase{"HelpFile", IDP_HELP_FILE, 422, 300},
                      PictureCase{"Library", IDP_LIBRARY_PICTURE, forms::kLibraryPictureSize.width,
                                  forms::kLibraryPictureSize.height}),
    [](const ::testing::TestParamInfo<PictureCase>& param) {
        return std::string(param.param.name);
    });

TEST(AboutArtTest, TheHandCursorAndTheHelpIconAreInTheProgram) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    EXPECT_NE(LoadCursorA(module, MAKEINTRESOURCEA(IDC_ABOUT_HAND)), nullptr);
    EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(IDI_HELP)), nullptr);
}

// The silver mask shows the picture below: the corner of the button image is mask, its middle
// the plate.
TEST(AboutArtTest, TheMaskOfAStateImageIsTransparent) {
    const GdiBitmap button = LoadMaskedPicture(IDP_ABOUT_BUTTON_UP);
    ASSERT_TRUE(button);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(button.Handle(), sizeof section, &section), sizeof section);
    const auto* pixels = static_cast<const unsigned char*>(section.dsBm.bmBits);
    const auto alphaAt = [&](int x, int y) { return pixels[(y * button.Width() + x) * 4 + 3]; };
    EXPECT_EQ(alphaAt(0, 0), 0);
    const int plateX = forms::kButtonHotSpot.left - forms::kButtonOrigin.x + 30;
    const int plateY = forms::kButtonHotSpot.top - forms::kButtonOrigin.y + 20;
    EXPECT_EQ(alphaAt(plateX, plateY), 255);
}

// The state images are drawn with their silver mask transparent: where the button's image is
// mask, the picture below stays.
TEST_F(AboutWindowTest, DrawingAStateImageLeavesThePictureUnderItsMask) {
    const POINT corner{forms::kButtonOrigin.x, forms::kButtonOrigin.y};
    const POINT plate{forms::kButtonHotSpot.left + 4, forms::kButtonHotSpot.top + 4};
    const COLORREF cornerBefore = GetPixel(about_->Canvas(), corner.x, corner.y);
    const COLORREF plateBefore = GetPixel(about_->Canvas(), plate.x, plate.y);
    MoveTo(kOnButton);
    ASSERT_EQ(about_->Form().Button(), ButtonState::Over);
    EXPECT_EQ(GetPixel(about_->Canvas(), corner.x, corner.y), cornerBefore);
    EXPECT_NE(GetPixel(about_->Canvas(), plate.x, plate.y), plateBefore) << "the lit plate shows";
}

struct HotSpotCase {
    const char* name;
    POINT point;
    LogoState logo;
    ButtonState button;
    AboutCursor cursor;
};

void PrintTo(const HotSpotCase& c, std::ostream* out) {
    *out << c.name;
}

class AboutHotSpotTest : public AboutWindowTest,
                         public ::testing::WithParamInterface<HotSpotCase> {};

TEST_P(AboutHotSpotTest, EdgesLieInside) {
    const HotSpotCase& c = GetParam();
    MoveTo(c.point);
    EXPECT_EQ(about_->Form().Logo(), c.logo);
    EXPECT_EQ(about_->Form().Button(), c.button);
    EXPECT_EQ(about_->Cursor(), c.cursor);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, AboutHotSpotTest,
    ::testing::Values(
        HotSpotCase{"LogoTopLeft", {19, 21}, LogoState::Lit, ButtonState::Up, AboutCursor::Hand},
        HotSpotCase{
            "LogoBottomRight", {580, 54}, LogoState::Lit, ButtonState::Up, AboutCursor::Hand},
        HotSpotCase{"LeftOfLogo", {18, 21}, LogoState::Normal, ButtonState::Up, AboutCursor::Arrow},
        HotSpotCase{"AboveLogo", {19, 20}, LogoState::Normal, ButtonState::Up, AboutCursor::Arrow},
        HotSpotCase{
            "RightOfLogo", {581, 54}, LogoState::Normal, ButtonState::Up, AboutCursor::Arrow},
        HotSpotCase{"BelowLogo", {580, 55}, LogoState::Normal, ButtonState::Up, AboutCursor::Arrow},
        HotSpotCase{
            "ButtonTopLeft", {440, 243}, LogoState::Normal, ButtonState::Over, AboutCursor::Hand},
        HotSpotCase{"ButtonBottomRight",
                    {570, 286},
                    LogoState::Normal,
                    ButtonState::Over,
                    AboutCursor::Hand},
        HotSpotCase{
            "LeftOfButton", {439, 243}, LogoState::Normal, ButtonState::Up, AboutCursor::Arrow},
        HotSpotCase{
            "BelowButton", {570, 287}, LogoState::Normal, ButtonState::Up, AboutCursor::Arrow}),
    [](const ::testing::TestParamInfo<HotSpotCase>& param) {
        return std::string(param.param.name);
    });

TEST_F(AboutWindowTest, PressMoveOutAndReleaseOutsideLeavesItOpenAndTheButtonUp) {
    Press(WM_LBUTTONDOWN, MK_LBUTTON, kOnButton);
    EXPECT_EQ(about_->Form().Button(), ButtonState::Down);
    EXPECT_EQ(GetCapture(), window_) << "a release outside must still reach the window";
    MoveTo(kOnNeither, MK_LBUTTON);
    EXPECT_EQ(about_->Form().Button(), ButtonState::Up);
    Press(WM_LBUTTONUP, 0, POINT{-40, 700});
    EXPECT_TRUE(Open());
    EXPECT_EQ(about_->Form().Button(), ButtonState::Up);
    EXPECT_NE(GetCapture(), window_);
}

TEST_F(AboutWindowTest, MovingBackInWithTheButtonHeldAndReleasingCloses) {
    Press(WM_LBUTTONDOWN, MK_LBUTTON, kOnButton);
    MoveTo(kOnNeither, MK_LBUTTON);
    MoveTo(kOnButton, MK_LBUTTON);
    EXPECT_EQ(about_->Form().Button(), ButtonState::Down);
    Press(WM_LBUTTONUP, 0, kOnButton);
    EXPECT_FALSE(Open());
    EXPECT_EQ(about_->Handle(), nullptr);
}

TEST_F(AboutWindowTest, TheRightButtonShowsOverAndItsReleaseDoesNotClose) {
    Press(WM_RBUTTONDOWN, MK_RBUTTON, kOnButton);
    MoveTo(kOnButton, MK_RBUTTON);
    EXPECT_EQ(about_->Form().Button(), ButtonState::Over);
    Press(WM_RBUTTONUP, 0, kOnButton);
    EXPECT_TRUE(Open());
}

class AboutLogoReleaseTest : public AboutWindowTest,
                             public ::testing::WithParamInterface<std::pair<UINT, WPARAM>> {};

TEST_P(AboutLogoReleaseTest, AnyButtonReleasedOnTheLitLogoOpensTheSiteAndStaysOpen) {
    const auto [down, held] = GetParam();
    MoveTo(kOnLogo);
    Press(down, held, kOnLogo);
    Press(down + 1, 0, kOnLogo);  // the matching ..BUTTONUP
    EXPECT_EQ(opened_, std::vector<std::string>{std::string(forms::kMakerWebSite)});
    EXPECT_TRUE(openedOverTheWindow_);
    EXPECT_TRUE(Open());
}

INSTANTIATE_TEST_SUITE_P(Buttons, AboutLogoReleaseTest,
                         ::testing::Values(std::pair<UINT, WPARAM>{WM_LBUTTONDOWN, MK_LBUTTON},
                                           std::pair<UINT, WPARAM>{WM_RBUTTONDOWN, MK_RBUTTON},
                                           std::pair<UINT, WPARAM>{WM_MBUTTONDOWN, MK_MBUTTON}),
                         [](const ::testing::TestParamInfo<std::pair<UINT, WPARAM>>& param) {
                             return std::string(param.index == 0   ? "Left"
                                                : param.index == 1 ? "Right"
                                                                   : "Middle");
                         });

TEST_F(AboutWindowTest, AReleaseOnTheLogoBeforeItLightsOpensNothing) {
    Press(WM_LBUTTONUP, 0, kOnLogo);
    EXPECT_TRUE(opened_.empty());
}

struct KeyCase {
    const char* name;
    char key;
    bool closes;
};

void PrintTo(const KeyCase& c, std::ostream* out) {
    *out << c.name;
}

class AboutKeyTest : public AboutWindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(AboutKeyTest, OnlyEscEnterAndOClose) {
    SendMessageA(window_, WM_CHAR, static_cast<unsigned char>(GetParam().key), 1);
    EXPECT_EQ(Open(), !GetParam().closes);
}

INSTANTIATE_TEST_SUITE_P(Keys, AboutKeyTest,
                         ::testing::Values(KeyCase{"Esc", 27, true}, KeyCase{"Enter", 13, true},
                                           KeyCase{"o", 'o', true}, KeyCase{"O", 'O', true},
                                           KeyCase{"p", 'p', false}, KeyCase{"Space", ' ', false},
                                           KeyCase{"Zero", '0', false}),
                         [](const ::testing::TestParamInfo<KeyCase>& param) {
                             return std::string(param.param.name);
                         });

using AboutModalTest = testing::WindowTest;

TEST_F(AboutModalTest, RunsOverItsDisabledOwnerAndGivesItBackOnceClosed) {
    ProbeOwner owner(RECT{100, 100, 600, 500});
    ASSERT_NE(owner.Handle(), nullptr);
    ShowWindow(owner.Handle(), SW_SHOW);
    std::vector<std::string> opened;
    owner.Probe([&] {
        EXPECT_FALSE(IsWindowEnabled(owner.Handle()));
        HWND about = testing::ShownWindowOtherThan(owner.Handle());
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(GetWindow(about, GW_OWNER), owner.Handle());
        SendMessageA(about, WM_CHAR, forms::kEscapeKey, 1);
    });
    ShowAboutWindow(owner.Handle(),
                    [&](HWND, const std::string& address) { opened.push_back(address); });
    EXPECT_TRUE(owner.Probed());
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_EQ(GetActiveWindow(), owner.Handle());
    EXPECT_TRUE(opened.empty());
}

}  // namespace
}  // namespace plumex::win32::test
