#include "tests/importer/ui/qt/modal_driver.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <utility>

namespace plumex::qt::testing {
namespace {

void SendMouse(QWidget& window, QEvent::Type type, QPoint position, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(position), window.mapToGlobal(QPointF(position)), button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
}

}  // namespace

std::shared_ptr<const ModalOutcome> DriveNextModal(std::function<void(QWidget& window)> script) {
    auto outcome = std::make_shared<ModalOutcome>();
    QTimer::singleShot(0, [outcome, script = std::move(script)] {
        QWidget* window = QApplication::activeModalWidget();
        if (window == nullptr) {
            return;
        }
        outcome->found = true;
        script(*window);
        outcome->leftOpen = window->isVisible();
        if (outcome->leftOpen) {
            window->close();
        }
    });
    return outcome;
}

void PressAt(QWidget& window, QPoint position, Qt::MouseButton button) {
    SendMouse(window, QEvent::MouseButtonPress, position, button, button);
}

void MoveTo(QWidget& window, QPoint position, Qt::MouseButtons held) {
    SendMouse(window, QEvent::MouseMove, position, Qt::NoButton, held);
}

void ReleaseAt(QWidget& window, QPoint position, Qt::MouseButton button) {
    SendMouse(window, QEvent::MouseButtonRelease, position, button, Qt::NoButton);
}

}  // namespace plumex::qt::testing
