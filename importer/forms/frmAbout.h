// frmAbout's behaviour, free of any window system: the picture with the version line, the
// logo strip that lights up under the mouse and opens the maker's web site, and the picture
// button that closes the window. The frontend is an AboutWindowView: it draws the stored
// images by state and carries out the effects it is told of.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "importer/forms/about_layout.h"
#include "importer/forms/geometry.h"
#include "importer/forms/mouse_buttons.h"
#include "importer/forms/text_measure.h"

namespace forms {

// Keys that close the window.
inline constexpr int kEscapeKey = 27;
inline constexpr int kEnterKey = 13;

enum class AboutCursor { Arrow, Hand };

// The screen, in twips.
struct AboutMetrics {
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
    double screenWidth = 0;
    double screenHeight = 0;
    double clientWidth = 0;  // the window's inner width once it has its size
};

class AboutWindowView {
  public:
    virtual ~AboutWindowView() = default;

    virtual AboutMetrics Metrics() = 0;
    // The window's outer size, in twips.
    virtual void SetOuterSize(double width, double height) = 0;
    // Everything below is drawn into the window's persistent image, so it survives repaints.
    // picVEXO at (0, 0), at its natural size.
    virtual void DrawBackground() = 0;
    // One line, centred both ways in box, in the window's text colour over the picture.
    virtual void DrawVersionLine(std::string_view line, const FontSpec& font,
                                 const PixelBox& box) = 0;
    // The window's top-left corner, in twips.
    virtual void Move(double left, double top) = 0;

    // The state's image (ImageKey) at kLogoOrigin or kButtonOrigin, shown at once.
    virtual void DrawLogo(LogoState state) = 0;
    virtual void DrawButton(ButtonState state) = 0;
    virtual void SetCursor(AboutCursor cursor) = 0;
    // Asks the shell to "open" address, the About window as parent, the new window shown
    // normally; the About window stays open whatever happens.
    virtual void OpenWebSite(std::string_view address) = 0;
    // Unloads the window, which ends its modal loop.
    virtual void Unload() = 0;
};

class frmAbout {
  public:
    frmAbout(AboutWindowView& view, const TextMeasurer& measurer);

    frmAbout(const frmAbout&) = delete;
    frmAbout& operator=(const frmAbout&) = delete;

    // Sizes the window, draws the picture and the version line, centres it on the screen.
    void Form_Load();
    void Form_KeyPress(int keyAscii);
    // button: the buttons held (Form_MouseMove) or the one that changed (down, up); x and y in
    // twips from the client area's top-left corner.
    void Form_MouseDown(int button, int shift, double x, double y);
    void Form_MouseMove(int button, int shift, double x, double y);
    void Form_MouseUp(int button, int shift, double x, double y);

    LogoState Logo() const;
    ButtonState Button() const;

  private:
    std::optional<PixelPoint> PixelPosition(double x, double y) const;

    AboutWindowView& view_;
    const TextMeasurer& measurer_;
    double twipsPerPixelX_ = 15;
    double twipsPerPixelY_ = 15;
    bool logoHot_ = false;
    bool buttonDown_ = false;
    bool buttonOver_ = false;
};

}  // namespace forms
