#include "packager/ui/qt/progress_window.h"

#include <qdrawutil.h>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
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

// The frame the window draws around itself: a raised edge and a caption the height of the
// desktop's small captions.
constexpr int kFrameWidth = 3;
constexpr int kCaptionHeight = 18;
constexpr int kCaptionIconSize = 16;

}  // namespace

ProgressWindow::ProgressWindow(ProgressState& state)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), state_(state) {
    setWindowTitle(
        QString::fromLatin1(kWindowCaption.data(), static_cast<qsizetype>(kWindowCaption.size())));
    setWindowIcon(QIcon(QStringLiteral(":/packager/vexo_setup.ico")));
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

    // The window is its own frame, so 600 x 200 is its outer size on every window manager.
    setFixedSize(kWindowWidth, kWindowHeight);
    const QRect screen = desktop->geometry();
    const PixelPoint origin = CentredWindowOrigin(screen.width(), screen.height());
    move(screen.left() + origin.x, screen.top() + origin.y);

    const QRect client = ClientRect();
    const ProgressWindowLayout layout = LayOutProgressWindow(client.width(), client.height());
    status_ = new QLabel(FromLocal(state_.CopyStatus()), this);
    // Entry names are shown as they are spelled: never taken for markup.
    status_->setTextFormat(Qt::PlainText);
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(false);
    status_->setGeometry(ToQRect(layout.status).translated(client.topLeft()));

    cancel_ = new QPushButton(
        QString::fromLatin1(kCancelCaption.data(), static_cast<qsizetype>(kCancelCaption.size())),
        this);
    cancel_->setGeometry(ToQRect(layout.cancel).translated(client.topLeft()));
    connect(cancel_, &QPushButton::clicked, this, [this] { PressCancel(); });

    show();
    return std::nullopt;
}

void ProgressWindow::ShowStatusLine(const QString& line) {
    status_->setText(line);
    status_->update();
}

QRect ProgressWindow::ClientRect() const {
    return rect().adjusted(kFrameWidth, kFrameWidth + kCaptionHeight, -kFrameWidth, -kFrameWidth);
}

QRect ProgressWindow::CaptionRect() const {
    return {kFrameWidth, kFrameWidth, width() - 2 * kFrameWidth, kCaptionHeight};
}

void ProgressWindow::InvalidateBar() {
    const QRect client = ClientRect();
    update(ToQRect(LayOutProgressWindow(client.width(), client.height()).bar)
               .translated(client.topLeft()));
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
    const PixelRect bar = LayOutProgressWindow(ClientRect().width(), ClientRect().height()).bar;
    QImage image(std::max(bar.width, 1), kBarImageHeight, QImage::Format_RGB32);
    const QColor buttonFace = palette().color(QPalette::Button);
    image.fill(buttonFace);
    const QRect frame(0, 0, bar.width, bar.height);

    const ProgressBarPicture picture = DrawProgressBar(state_.PercentForPainting(), bar.width);
    QPainter painter(&image);
    if (!picture.Label().empty()) {
        painter.setPen(Qt::black);
        painter.setFont(font());
        painter.drawText(frame, Qt::AlignCenter | Qt::TextSingleLine,
                         QString::fromLatin1(picture.label.data(),
                                             static_cast<qsizetype>(picture.Label().size())));
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

void ProgressWindow::PaintFrameAndCaption(QPainter& painter) {
    qDrawWinPanel(&painter, rect(), palette(), false);
    const QRect caption = CaptionRect();
    const QPalette::ColorGroup group = isActiveWindow() ? QPalette::Active : QPalette::Inactive;
    painter.fillRect(caption, palette().color(group, QPalette::Highlight));
    const QRect icon(caption.left() + 1, caption.top() + (caption.height() - kCaptionIconSize) / 2,
                     kCaptionIconSize, kCaptionIconSize);
    windowIcon().paint(&painter, icon);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(group, QPalette::HighlightedText));
    const QRect text = caption.adjusted(icon.right() + 4 - caption.left(), 0, -2, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetrics(bold).elidedText(windowTitle(), Qt::ElideRight, text.width()));
}

void ProgressWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!ClientRect().contains(event->rect())) {
        PaintFrameAndCaption(painter);
    }
    // Drawn off screen and copied in one step, so that the bar does not flicker as it is redrawn
    // after every block.
    const QImage image = PaintBar();
    const QRect client = ClientRect();
    const PixelRect bar = LayOutProgressWindow(client.width(), client.height()).bar;
    painter.drawImage(client.topLeft() + QPoint(bar.left, bar.top), image,
                      QRect(0, 0, bar.width, bar.height));
}

void ProgressWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && CaptionRect().contains(event->position().toPoint()) &&
        windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ProgressWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        update(CaptionRect());  // the caption's colours follow the window's activation
    }
    QWidget::changeEvent(event);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace packager::qt
