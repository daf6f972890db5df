// frmAbout on Qt: a 600 x 320 picture with the version line, the logo strip that lights up and
// opens the maker's web site, and the picture button that closes the window. Everything is
// drawn into the window's own persistent image; the behaviour is forms::frmAbout's.
#pragma once

#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QUrl>
#include <array>
#include <functional>

#include "importer/forms/frmAbout.h"
#include "importer/ui/qt/frame_placement.h"
#include "importer/ui/qt/text_measurer.h"

namespace plumex::qt {

// Asks the desktop to open an address; parent is the window that asks.
using UrlOpener = std::function<void(QWidget* parent, const QUrl& address)>;

// The desktop's default browser, through QDesktopServices.
void OpenUrlOnDesktop(QWidget* parent, const QUrl& address);

class AboutWindow final : public QDialog, public forms::AboutWindowView {
  public:
    AboutWindow(QWidget* owner, UrlOpener openUrl);
    ~AboutWindow() override;

    forms::frmAbout& Form() { return form_; }

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

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void DrawState(const QImage& image, forms::PixelPoint origin);
    double TwipsX(const QMouseEvent& event) const;
    double TwipsY(const QMouseEvent& event) const;

    UrlOpener openUrl_;
    QtTextMeasurer measurer_;
    QImage background_;
    std::array<QImage, 2> logos_;    // by LogoState, mask transparent
    std::array<QImage, 3> buttons_;  // by ButtonState, mask transparent
    QCursor hand_;
    QImage canvas_;  // the window's persistent image
    forms::frmAbout form_;
    FramePlacement* placement_ = nullptr;
};

// Loads a new About window over owner and runs it modally; returns once it is closed. The lit
// logo opens the maker's web site through openUrl.
void ShowAboutWindow(QWidget* owner, UrlOpener openUrl);
void ShowAboutWindow(QWidget* owner);

}  // namespace plumex::qt
