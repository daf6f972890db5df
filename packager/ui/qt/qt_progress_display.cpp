#include "packager/ui/qt/qt_progress_display.h"

#include <QMetaObject>
#include <QString>

#include "packager/ui/qt/message_box.h"

namespace packager::qt {

void QtProgressDisplay::ShowStatusLine(std::string_view line) {
    const QString text = QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size()));
    ProgressWindow* window = &window_;
    QMetaObject::invokeMethod(
        window, [window, text] { window->ShowStatusLine(text); }, Qt::QueuedConnection);
}

void QtProgressDisplay::InvalidateBar() {
    ProgressWindow* window = &window_;
    QMetaObject::invokeMethod(
        window, [window] { window->InvalidateBar(); }, Qt::QueuedConnection);
}

void QtProgressDisplay::HideWindow() {
    ProgressWindow* window = &window_;
    QMetaObject::invokeMethod(
        window, [window] { window->hide(); }, Qt::BlockingQueuedConnection);
}

void QtProgressDisplay::HideCancelButton() {
    ProgressWindow* window = &window_;
    QMetaObject::invokeMethod(
        window, [window] { window->HideCancelButton(); }, Qt::BlockingQueuedConnection);
}

void QtProgressDisplay::ShowMessage(const MessageBoxSpec& box) {
    ProgressWindow* window = &window_;
    const bool autoAnswer = autoAnswer_;
    QMetaObject::invokeMethod(
        window,
        [window, &box, autoAnswer] {
            ShowMessageBox(box.owner == MessageOwner::ProgressWindow ? window : nullptr, box,
                           autoAnswer);
        },
        Qt::BlockingQueuedConnection);
}

}  // namespace packager::qt
