#include "packager/ui/qt/progress_window.h"

#include <qdrawutil.h>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <string>

#include "packager/progress_bar.h"
#include "packager/window_layout.h"

namespace packager::qt {

namespace {

QString FromLocal(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

QRect ToQRect(const PixelRect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}

}  // namespace

ProgressWindow::ProgressWindow(ProgressState& state)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), state_(state) {
    setWindowTitle(
        QString::fromLatin1(kWindowCaption.data(), static_cast<qsizetype>(kWindowCaption.size())));
    // The whole window is the button-face colour, as the bar's background is.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
    setAutoFillBackground(true);
}

std::optional<SetupStep> ProgressWindow::SetUp() {
    const QScreen* desktop = QGuiApplication::primaryScreen();
    if (desktop == nullptr) {
        return SetupStep::DesktopRect;
    }
    {
        const std::lock_guard lock(state_.stateLock);
        state_.statusText = std::string(kInitialStatusLine);
        state_.progressPercent = 0;
    }

    // 600 x 200 is the outer size; where the platform already knows its frame, the frame is
    // taken off the client area.
    winId();
    const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    setFixedSize(kWindowWidth - frame.left() - frame.right(),
                 kWindowHeight - frame.top() - frame.bottom());
    const QRect screen = desktop->geometry();
    const PixelPoint origin = CentredWindowOrigin(screen.width(), screen.height());
    move(screen.left() + origin.x, screen.top() + origin.y);

    const ProgressWindowLayout layout = LayOutProgressWindow(width(), height());
    status_ = new QLabel(FromLocal(state_.CopyStatus()), this);
    // Entry names are shown as they are spelled: never taken for markup.
    status_->setTextFormat(Qt::PlainText);
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(false);
    status_->setGeometry(ToQRect(layout.status));

    cancel_ = new QPushButton(
        QString::fromLatin1(kCancelCaption.data(), static_cast<qsizetype>(kCancelCaption.size())),
        this);
    cancel_->setGeometry(ToQRect(layout.cancel));
    connect(cancel_, &QPushButton::clicked, this, [this] { PressCancel(); });

    show();
    return std::nullopt;
}

void ProgressWindow::ShowStatusLine(const QString& line) {
    status_->setText(line);
    status_->update();
}

void ProgressWindow::InvalidateBar() {
    update(ToQRect(LayOutProgressWindow(width(), height()).bar));
}

void ProgressWindow::HideCancelButton() {
    cancel_->hide();
}

void ProgressWindow::ShowCancelledBySignal() {
    if (cancel_ != nullptr && cancel_->isVisible()) {
        PressCancel();
    }
}

void ProgressWindow::PressCancel() {
    // Hidden at the first press, so the button cannot be pressed twice.
    cancel_->hide();
    ShowStatusLine(FromLocal(state_.StoreStatus(kCancellingPhase)));
    state_.cancelEvent.Set();
}

QImage ProgressWindow::PaintBar() {
    const PixelRect bar = LayOutProgressWindow(width(), height()).bar;
    QImage image(std::max(bar.width, 1), kBarImageHeight, QImage::Format_RGB32);
    const QColor buttonFace = palette().color(QPalette::Button);
    image.fill(buttonFace);
    const QRect frame(0, 0, bar.width, bar.height);

    const ProgressBarPicture picture = DrawProgressBar(state_.PercentForPainting(), bar.width);
    QPainter painter(&image);
    if (!picture.label.empty()) {
        painter.setPen(Qt::black);
        painter.setFont(font());
        painter.drawText(frame, Qt::AlignCenter | Qt::TextSingleLine,
                         QString::fromLatin1(picture.label.data(),
                                             static_cast<qsizetype>(picture.label.size())));
    }
    if (picture.filledWidth > 0) {
        // XOR with white inverts every colour, the number's pixels included.
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(QRect(0, 0, picture.filledWidth, bar.height), Qt::white);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    qDrawWinPanel(&painter, frame, palette(), true);
    return image;
}

void ProgressWindow::paintEvent(QPaintEvent* /*event*/) {
    // Drawn off screen and copied in one step, so that the bar does not flicker as it is redrawn
    // after every block.
    const QImage image = PaintBar();
    const PixelRect bar = LayOutProgressWindow(width(), height()).bar;
    QPainter painter(this);
    painter.drawImage(QPoint(bar.left, bar.top), image, QRect(0, 0, bar.width, bar.height));
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace packager::qt
