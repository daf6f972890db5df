#include "importer/forms/frmHelp.h"

#include <utility>

#include "importer/forms/help_text.h"
#include "importer/forms/mouse_buttons.h"

namespace forms {

frmHelp::frmHelp(HelpWindowView& view, const TextMeasurer& measurer, TwipsRect mainWindow)
    : view_(view), measurer_(measurer), mainWindow_(mainWindow) {}

void frmHelp::Form_Load() {
    text_ = HelpText();
    view_.SetLabelText(text_);

    // The width does not depend on the text, so the label's final width, and with it its
    // wrapped height, is known before the window moves: one move places it for good.
    const HelpMetrics metrics = view_.Metrics();
    const double frameWidth = metrics.outerWidth - metrics.clientWidth;
    const double clientWidth = HelpWindowWidth(metrics) - frameWidth;
    const double labelHeight = LabelHeightAt(clientWidth, metrics.twipsPerPixelX);
    view_.Move(HelpWindowBounds(metrics, mainWindow_, labelHeight));
    Form_Resize();
}

void frmHelp::Form_Resize() {
    const HelpMetrics metrics = view_.Metrics();
    const double labelHeight = LabelHeightAt(metrics.clientWidth, metrics.twipsPerPixelX);
    view_.PlaceControls(ArrangeHelpControls(metrics.clientWidth, labelHeight,
                                            metrics.twipsPerPixelX, metrics.twipsPerPixelY));
    view_.PaintBackground(PaintGradient(
        GradientSurface{metrics.clientHeight, metrics.twipsPerPixelY}, false, true, false));
}

void frmHelp::Form_Click() {
    view_.Unload();
}

void frmHelp::lblHelp_Click() {
    view_.Unload();
}

void frmHelp::imgFolder_Click() {
    view_.Unload();
}

void frmHelp::imgFile_Click() {
    view_.Unload();
}

void frmHelp::MouseDown(HelpTarget target, int button) {
    pressed_ = Press{target, button};
}

void frmHelp::MouseUp(HelpTarget target, int button) {
    if (!pressed_ || pressed_->button != button) {
        return;
    }
    const HelpTarget pressedOn = std::exchange(pressed_, std::nullopt)->target;
    if (target != pressedOn || (button != kLeftButton && button != kRightButton)) {
        return;
    }
    switch (target) {
        case HelpTarget::Form:
            return Form_Click();
        case HelpTarget::lblHelp:
            return lblHelp_Click();
        case HelpTarget::imgFolder:
            return imgFolder_Click();
        case HelpTarget::imgFile:
            return imgFile_Click();
        case HelpTarget::Outside:
            return;
    }
}

double frmHelp::LabelHeightAt(double clientWidth, double twipsPerPixelX) const {
    return measurer_.WrappedTextHeight(text_, HelpLabelWidth(clientWidth, twipsPerPixelX),
                                       kHelpLabelFont);
}

}  // namespace forms
