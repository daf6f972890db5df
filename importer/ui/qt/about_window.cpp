#include "importer/ui/qt/about_window.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <utility>

#include "importer/ui/qt/about_artwork.h"
#include "importer/ui/qt/gradient_widget.h"
#include "importer/ui/qt/mouse_buttons.h"

namespace plumex::qt {
namespace {

constexpr int kShiftKey = 1;
constexpr int kControlKey = 2;
constexpr int kAltKey = 4;

int ShiftValue(Qt::KeyboardModifiers modifiers) {
    int value = 0;
    if (modifiers & Qt::ShiftModifier) {
        value += kShiftKey;
    }
    if (modifiers & Qt::ControlModifier) {
        value += kControlKey;
    }
    if (modifiers & Qt::AltModifier) {
        value += kAltKey;
    }
    return value;
}

// The character code a key press types, 0 for keys that type none.
int KeyAscii(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Escape:
            return forms::kEscapeKey;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return forms::kEnterKey;
        default:
            break;
    }
    const QString text = event.text();
    if (text.size() == 1 && text.at(0).unicode() < 256) {
        return text.at(0).unicode();
    }
    return 0;
}

int TwipsToPixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

}  // namespace

void OpenUrlOnDesktop(QWidget*, const QUrl& address) {
    QDesktopServices::openUrl(address);
}

// No frame: the client area begins at the window's top-left corner and covers the picture,
// under any window manager.
AboutWindow::AboutWindow(QWidget* owner, UrlOpener openUrl)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint),
      openUrl_(std::move(openUrl)),
      measurer_(*this),
      background_(AboutBackground()),
      logos_{WithMaskTransparent(AboutLogoImage(forms::LogoState::Normal)),
             WithMaskTransparent(AboutLogoImage(forms::LogoState::Lit))},
      buttons_{WithMaskTransparent(AboutButtonImage(forms::ButtonState::Up)),
               WithMaskTransparent(AboutButtonImage(forms::ButtonState::Over)),
               WithMaskTransparent(AboutButtonImage(forms::ButtonState::Down))},
      hand_(HandCursor()),
      canvas_(forms::kAboutWindowSize.width, forms::kAboutWindowSize.height, QImage::Format_RGB32),
      form_(*this, measurer_) {
    setWindowTitle(QString());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    canvas_.fill(Qt::black);
    placement_ = new FramePlacement(*this);
}

AboutWindow::~AboutWindow() = default;

forms::AboutMetrics AboutWindow::Metrics() {
    const QRect area = screen()->geometry();
    forms::AboutMetrics metrics;
    metrics.twipsPerPixelX = TwipsPerPixelX(*this);
    metrics.twipsPerPixelY = TwipsPerPixelY(*this);
    metrics.screenWidth = area.width() * metrics.twipsPerPixelX;
    metrics.screenHeight = area.height() * metrics.twipsPerPixelY;
    metrics.clientWidth = width() * metrics.twipsPerPixelX;
    return metrics;
}

// The picture's layout needs the whole size inside the frame, so the client gets it all.
void AboutWindow::SetOuterSize(double width, double height) {
    setFixedSize(TwipsToPixels(width, TwipsPerPixelX(*this)),
                 TwipsToPixels(height, TwipsPerPixelY(*this)));
}

void AboutWindow::DrawBackground() {
    QPainter painter(&canvas_);
    painter.drawImage(0, 0, background_);
    update();
}

void AboutWindow::DrawVersionLine(std::string_view line, const forms::FontSpec& font,
                                  const forms::PixelBox& box) {
    // Point sizes on the image come out as on this window's screen.
    canvas_.setDotsPerMeterX(static_cast<int>(std::lround(logicalDpiX() / 0.0254)));
    canvas_.setDotsPerMeterY(static_cast<int>(std::lround(logicalDpiY() / 0.0254)));
    QPainter painter(&canvas_);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(ToQFont(font));
    painter.setPen(QColor(240, 244, 255));
    painter.drawText(QRect(QPoint(box.left, box.top), QPoint(box.right, box.bottom)),
                     Qt::AlignCenter | Qt::TextSingleLine, ToDisplayText(line));
    update();
}

// Screen coordinates, from the top-left corner of the screen the window is on.
void AboutWindow::Move(double left, double top) {
    const QRect area = screen()->geometry();
    move(area.left() + TwipsToPixels(left, TwipsPerPixelX(*this)),
         area.top() + TwipsToPixels(top, TwipsPerPixelY(*this)));
    placement_->Placed();
}

void AboutWindow::DrawState(const QImage& image, forms::PixelPoint origin) {
    QPainter painter(&canvas_);
    painter.drawImage(origin.x, origin.y, image);
    painter.end();
    update();
}

void AboutWindow::DrawLogo(forms::LogoState state) {
    DrawState(logos_.at(static_cast<std::size_t>(state)), forms::kLogoOrigin);
}

void AboutWindow::DrawButton(forms::ButtonState state) {
    DrawState(buttons_.at(static_cast<std::size_t>(state)), forms::kButtonOrigin);
}

void AboutWindow::SetCursor(forms::AboutCursor cursor) {
    if (cursor == forms::AboutCursor::Hand) {
        setCursor(hand_);
    } else {
        setCursor(Qt::ArrowCursor);
    }
}

void AboutWindow::OpenWebSite(std::string_view address) {
    if (openUrl_) {
        openUrl_(this,
                 QUrl(QString::fromLatin1(address.data(), static_cast<qsizetype>(address.size()))));
    }
}

void AboutWindow::Unload() {
    accept();
}

void AboutWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_);
}

// Every key goes to the form, Esc and Enter included: it alone decides what closes.
void AboutWindow::keyPressEvent(QKeyEvent* event) {
    const int keyAscii = KeyAscii(*event);
    if (keyAscii != 0) {
        form_.Form_KeyPress(keyAscii);
    }
}

double AboutWindow::TwipsX(const QMouseEvent& event) const {
    return event.position().x() * TwipsPerPixelX(*this);
}

double AboutWindow::TwipsY(const QMouseEvent& event) const {
    return event.position().y() * TwipsPerPixelY(*this);
}

void AboutWindow::mousePressEvent(QMouseEvent* event) {
    form_.Form_MouseDown(ButtonValue(event->button()), ShiftValue(event->modifiers()),
                         TwipsX(*event), TwipsY(*event));
}

void AboutWindow::mouseMoveEvent(QMouseEvent* event) {
    form_.Form_MouseMove(ButtonValue(event->buttons()), ShiftValue(event->modifiers()),
                         TwipsX(*event), TwipsY(*event));
}

void AboutWindow::mouseReleaseEvent(QMouseEvent* event) {
    form_.Form_MouseUp(ButtonValue(event->button()), ShiftValue(event->modifiers()), TwipsX(*event),
                       TwipsY(*event));
}

void ShowAboutWindow(QWidget* owner, UrlOpener openUrl) {
    AboutWindow window(owner, std::move(openUrl));
    window.Form().Form_Load();
    window.exec();
}

void ShowAboutWindow(QWidget* owner) {
    ShowAboutWindow(owner, OpenUrlOnDesktop);
}

}  // namespace plumex::qt
