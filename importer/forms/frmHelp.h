// frmHelp's behaviour, free of any window system: the help paragraph, the window sized to it
// and centred over the main window, the controls laid out on every resize over a black-to-blue
// gradient, and a click anywhere closing it. The frontend is a HelpWindowView; it draws the
// pictures, the label and the gradient lines where it is told to.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "importer/forms/geometry.h"
#include "importer/forms/gradient.h"
#include "importer/forms/help_layout.h"
#include "importer/forms/text_measure.h"

namespace forms {

class HelpWindowView {
  public:
    virtual ~HelpWindowView() = default;

    virtual HelpMetrics Metrics() = 0;
    virtual void SetLabelText(std::string_view text) = 0;
    // Moves and sizes the window in one step. The frontend may run Form_Resize from the
    // resize this causes; a second run changes nothing.
    virtual void Move(const TwipsRect& bounds) = 0;
    virtual void PlaceControls(const HelpControls& controls) = 0;
    // Replaces the background; it stays until the next call.
    virtual void PaintBackground(const std::vector<GradientLine>& lines) = 0;
    // Unloads the window, which ends its modal loop.
    virtual void Unload() = 0;
};

// What lies under the mouse in the Help window: one of its controls, its bare background, or
// nothing of it (a release outside the client area).
enum class HelpTarget { Outside, Form, lblHelp, imgFolder, imgFile };

class frmHelp {
  public:
    // mainWindow: the main window's left, top, width and height as it stands when Help opens,
    // shown or not.
    frmHelp(HelpWindowView& view, const TextMeasurer& measurer, TwipsRect mainWindow);

    frmHelp(const frmHelp&) = delete;
    frmHelp& operator=(const frmHelp&) = delete;

    // Sets the help paragraph, then sizes the window to it and centres it over the main window.
    void Form_Load();
    // Lays out the label and the pictures for the current client size and paints the background.
    void Form_Resize();

    // A click anywhere closes the window.
    void Form_Click();
    void lblHelp_Click();
    void imgFolder_Click();
    void imgFile_Click();

    // The mouse as the window reports it, button being the one pressed or released
    // (kLeftButton ...). A click is a press and a release of the left or the right button over
    // the same target: it runs that target's Click handler. So both frontends close on the
    // same clicks.
    void MouseDown(HelpTarget target, int button);
    void MouseUp(HelpTarget target, int button);

  private:
    struct Press {
        HelpTarget target;
        int button;
    };

    double LabelHeightAt(double clientWidth, double twipsPerPixelX) const;

    HelpWindowView& view_;
    const TextMeasurer& measurer_;
    TwipsRect mainWindow_;
    std::string text_;
    std::optional<Press> pressed_;
};

}  // namespace forms
