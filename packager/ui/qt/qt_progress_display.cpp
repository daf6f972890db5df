#include "packager/ui/qt/qt_progress_display.h"

#include <QMetaObject>
#include <QString>

#include "packager/ui/qt/message_box.h"

namespace packager::qt {

void QtProgressDisplay::ShowStatusLine(std::string_view line) {
    if (Detached()) {
        return;
    }
    const QString text = QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size()));
    ProgressWindow* window = &window_;
    QMetaObject::invokeMethod(
        window, [window, text] { window->ShowStatusLine(text); }, Qt::QueuedConnection);
}

void QtProgressDisplay::InvalidateBar() {
    if (Detached()) {
        return;
    }
    ProgressWindow* window = &window_;
    QMetaObject::invokeMethod(
        window, [window] { window->InvalidateBar(); }, Qt::QueuedConnection);
}

void QtProgressDisplay::HideWindow() {
    RunAndWait([window = &window_] { window->hide(); });
}

void QtProgressDisplay::HideCancelButton() {
    RunAndWait([window = &window_] { window->HideCancelButton(); });
}

void QtProgressDisplay::ShowMessage(const MessageBoxSpec& box) {
    if (autoAnswer_.load() || Detached()) {
        ReportMessageBox(box);
        return;
    }
    RunAndWait([this, window = &window_, box] {
        ShowMessageBox(box.owner == MessageOwner::ProgressWindow ? window : nullptr, box,
                       autoAnswer_.load());
    });
}

void QtProgressDisplay::Detach() {
    {
        const std::lock_guard lock(mutex_);
        detached_.store(true);
    }
    finished_.notify_all();
}

void QtProgressDisplay::RunAndWait(std::function<void()> operation) {
    std::uint64_t ticket = 0;
    {
        const std::lock_guard lock(mutex_);
        if (detached_.load()) {
            return;
        }
        ticket = ++lastIssued_;
    }
    QMetaObject::invokeMethod(
        &window_,
        [this, ticket, operation = std::move(operation)] {
            if (!Detached()) {
                operation();
            }
            {
                const std::lock_guard lock(mutex_);
                lastFinished_ = ticket;
            }
            finished_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return detached_.load() || lastFinished_ >= ticket; });
}

}  // namespace packager::qt
