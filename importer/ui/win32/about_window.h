// frmAbout on Win32: a 600 x 320 picture with the version line, the logo strip that lights up
// and opens the maker's web site, and the picture button that closes the window. Everything is
// drawn into the window's persistent image, which painting copies to the screen; the behaviour
// is forms::frmAbout's.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "common/win32/scoped_win.h"
#include "importer/forms/frmAbout.h"
#include "importer/ui/win32/gdi_text_measurer.h"
#include "importer/ui/win32/modal_window.h"
#include "importer/ui/win32/picture_resource.h"

namespace plumex::win32 {

// Asks the shell to open an address; parent is the window that asks.
using WebSiteOpener = std::function<void(HWND parent, const std::string& address)>;

// ShellExecuteA "open", the new window shown normally; the result is not looked at.
void OpenWithShell(HWND parent, const std::string& address);

// The image lists' state images as drawn: the silver mask transparent, premultiplied for
// AlphaBlend.
GdiBitmap LoadMaskedPicture(int resourceId);

class AboutWindow final : public forms::AboutWindowView {
  public:
    AboutWindow(HWND owner, WebSiteOpener openWebSite);
    ~AboutWindow() override;
    AboutWindow(const AboutWindow&) = delete;
    AboutWindow& operator=(const AboutWindow&) = delete;

    forms::frmAbout& Form() { return form_; }
    // nullptr once the window is closed.
    HWND Handle() const { return window_.Handle(); }
    // The window's persistent image, 600 x 320.
    HDC Canvas() const { return canvas_.Get(); }
    forms::AboutCursor Cursor() const { return cursor_; }

    // Shows the window over its disabled owner; returns once it is closed.
    void RunModal();

    // forms::AboutWindowView
    forms::AboutMetrics Metrics() override;
    void SetOuterSize(double width, double height) override;
    void DrawBackground() override;
    void DrawVersionLine(std::string_view line, const forms::FontSpec& font,
                         const forms::PixelBox& box) override;
    void Move(double left, double top) override;
    void DrawLogo(forms::LogoState state) override;
    void DrawButton(forms::ButtonState state) override;
    void SetCursor(forms::AboutCursor cursor) override;
    void OpenWebSite(std::string_view address) override;
    void Unload() override;

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    void DrawState(const GdiBitmap& image, forms::PixelPoint origin);
    void Refresh();

    common::win32::ComApartment com_;  // the pictures are decoded through COM
    WebSiteOpener openWebSite_;
    GdiTextMeasurer measurer_;
    GdiBitmap background_;
    std::array<GdiBitmap, 2> logos_;    // by LogoState
    std::array<GdiBitmap, 3> buttons_;  // by ButtonState
    HCURSOR hand_ = nullptr;            // shared with the module, not destroyed
    forms::AboutCursor cursor_ = forms::AboutCursor::Arrow;
    GdiBitmap canvasBitmap_;
    common::win32::MemoryDc canvas_{nullptr};
    common::win32::SelectedObject canvasSelection_;
    forms::frmAbout form_;
    ModalWindow window_;
};

// Loads a new About window over owner and runs it modally; returns once it is closed. The lit
// logo opens the maker's web site in the desktop's browser.
void ShowAboutWindow(HWND owner);
void ShowAboutWindow(HWND owner, WebSiteOpener openWebSite);

}  // namespace plumex::win32
