#include "importer/ui/qt/frame_placement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QRectF>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <utility>

#include "importer/ui/qt/x11.h"

namespace plumex::qt {
namespace {

// The frame around the window as the platform reports it; std::nullopt while the report cannot
// be the frame yet (a window manager that has only begun to frame the window).
std::optional<QMargins> FrameOf(const QWidget& window) {
    const QRect outer = OuterGeometry(window);
    const QRect inner = window.geometry();
    if (!outer.contains(inner)) {
        return std::nullopt;
    }
    return QMargins{inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom()};
}

}  // namespace

// The widget keeps the first frame its platform window reported; the platform window knows
// the frame the window manager has given it since.
QRect OuterGeometry(const QWidget& window) {
    const QWindow* native = window.windowHandle();
    return native != nullptr && window.isVisible() ? native->frameGeometry()
                                                   : window.frameGeometry();
}

FramePlacement::FramePlacement(QWidget& window) : QObject(&window), window_(window) {
    window_.installEventFilter(this);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

FramePlacement::~FramePlacement() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

void FramePlacement::Placed() {
    centre_ = QRectF(OuterGeometry(window_)).center();
    frame_ = FrameOf(window_).value_or(QMargins());
}

bool FramePlacement::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            Check();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

// On X11 the window manager announces the frame it gives a window in _NET_FRAME_EXTENTS.
bool FramePlacement::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (centre_ && x11::IsPropertyChange(eventType, message, window_, "_NET_FRAME_EXTENTS")) {
        Check();
    }
    return false;
}

// The move waits for the event at hand to be done: the platform has taken it in by then.
void FramePlacement::Check() {
    if (centre_ && !scheduled_ && window_.isVisible()) {
        scheduled_ = true;
        QTimer::singleShot(0, this, [this] { Recentre(); });
    }
}

void FramePlacement::Recentre() {
    scheduled_ = false;
    const std::optional<QMargins> frame = FrameOf(window_);
    if (!centre_ || !frame || *frame == frame_) {
        return;
    }
    const QRect outer = OuterGeometry(window_);
    const QPointF centre = *std::exchange(centre_, std::nullopt);
    const QPoint topLeft(static_cast<int>(std::lround(centre.x() - outer.width() / 2.0)),
                         static_cast<int>(std::lround(centre.y() - outer.height() / 2.0)));
    window_.setGeometry(QRect(topLeft + QPoint(frame->left(), frame->top()), window_.size()));
}

}  // namespace plumex::qt
