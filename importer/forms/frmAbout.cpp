#include "importer/forms/frmAbout.h"

#include <string>

#include "importer/forms/twips.h"
#include "importer/forms/version_line.h"

namespace forms {
namespace {

bool Inside(const PixelBox& box, const std::optional<PixelPoint>& point) {
    return point && box.Contains(*point);
}

}  // namespace

frmAbout::frmAbout(AboutWindowView& view, const TextMeasurer& measurer)
    : view_(view), measurer_(measurer) {}

void frmAbout::Form_Load() {
    const AboutMetrics screen = view_.Metrics();
    twipsPerPixelX_ = screen.twipsPerPixelX;
    twipsPerPixelY_ = screen.twipsPerPixelY;
    const double width = kAboutWindowSize.width * twipsPerPixelX_;
    const double height = kAboutWindowSize.height * twipsPerPixelY_;
    view_.SetOuterSize(width, height);

    logoHot_ = false;
    buttonDown_ = false;
    buttonOver_ = false;

    const std::string line = VersionLine();
    view_.DrawBackground();
    const FontSpec font = FitVersionFont(line, view_.Metrics().clientWidth, measurer_);
    view_.DrawVersionLine(line, font, kVersionLineBox);

    // Centred on the screen, even where the screen is smaller than the window.
    view_.Move((screen.screenWidth - width) / 2, (screen.screenHeight - height) / 2);
}

void frmAbout::Form_KeyPress(int keyAscii) {
    if (keyAscii == kEscapeKey || keyAscii == kEnterKey || keyAscii == 'o' || keyAscii == 'O') {
        view_.Unload();
    }
}

void frmAbout::Form_MouseDown(int button, int shift, double x, double y) {
    // A press shows the button's "Down" image at once, without waiting for a move.
    Form_MouseMove(button, shift, x, y);
}

void frmAbout::Form_MouseMove(int button, int /*shift*/, double x, double y) {
    const std::optional<PixelPoint> at = PixelPosition(x, y);
    AboutCursor cursor = AboutCursor::Arrow;

    if (Inside(kLogoHotSpot, at)) {
        if (!logoHot_) {
            view_.DrawLogo(LogoState::Lit);
            logoHot_ = true;
        }
        cursor = AboutCursor::Hand;
    } else if (logoHot_) {
        view_.DrawLogo(LogoState::Normal);
        logoHot_ = false;
    }

    if (Inside(kButtonHotSpot, at)) {
        // Only the left button alone presses it; any other combination merely lights it.
        if (button == kLeftButton) {
            if (!buttonDown_) {
                view_.DrawButton(ButtonState::Down);
                buttonDown_ = true;
                buttonOver_ = false;
            }
        } else if (!buttonOver_) {
            view_.DrawButton(ButtonState::Over);
            buttonDown_ = false;
            buttonOver_ = true;
        }
        cursor = AboutCursor::Hand;
    } else if (buttonOver_ || buttonDown_) {
        view_.DrawButton(ButtonState::Up);
        buttonDown_ = false;
        buttonOver_ = false;
    }

    view_.SetCursor(cursor);
}

void frmAbout::Form_MouseUp(int /*button*/, int /*shift*/, double x, double y) {
    const std::optional<PixelPoint> at = PixelPosition(x, y);
    if (Inside(kLogoHotSpot, at) && logoHot_) {
        view_.OpenWebSite(kMakerWebSite);
    } else if (Inside(kButtonHotSpot, at) && buttonDown_) {
        view_.Unload();
    }
}

LogoState frmAbout::Logo() const {
    return logoHot_ ? LogoState::Lit : LogoState::Normal;
}

ButtonState frmAbout::Button() const {
    if (buttonDown_) {
        return ButtonState::Down;
    }
    return buttonOver_ ? ButtonState::Over : ButtonState::Up;
}

// A position too far out to be a pixel lies in no hot spot.
std::optional<PixelPoint> frmAbout::PixelPosition(double x, double y) const {
    const std::optional<std::int32_t> px = TwipsToNearestPixel(x, twipsPerPixelX_);
    const std::optional<std::int32_t> py = TwipsToNearestPixel(y, twipsPerPixelY_);
    if (!px || !py) {
        return std::nullopt;
    }
    return PixelPoint{*px, *py};
}

}  // namespace forms
