#include "tests/importer/ui/qt/modal_driver.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <utility>

#include "importer/ui/qt/folder_picker.h"

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

bool ChooseFolder(QWidget& picker, const std::string& path) {
    auto* dialog = dynamic_cast<FolderPickerDialog*>(&picker);
    if (dialog == nullptr) {
        return false;
    }
    const QByteArray wanted = QByteArray::fromStdString(path);
    QTreeWidgetItem* found = nullptr;
    for (int i = 0; i < dialog->Tree()->topLevelItemCount() && found == nullptr; ++i) {
        QTreeWidgetItem* item = dialog->Tree()->topLevelItem(i);
        // Down the folders whose path begins the wanted one.
        while (item != nullptr && found == nullptr) {
            const QByteArray here = FolderPickerDialog::PathOf(*item);
            if (here == wanted) {
                found = item;
                break;
            }
            const QByteArray prefix = here.endsWith('/') ? here : here + '/';
            if (!wanted.startsWith(prefix)) {
                break;
            }
            item->setExpanded(true);
            QTreeWidgetItem* next = nullptr;
            for (int c = 0; c < item->childCount() && next == nullptr; ++c) {
                const QByteArray child = FolderPickerDialog::PathOf(*item->child(c));
                if (wanted == child || wanted.startsWith(child + '/')) {
                    next = item->child(c);
                }
            }
            item = next;
        }
    }
    if (found == nullptr) {
        return false;
    }
    dialog->Tree()->setCurrentItem(found);
    dialog->OkButton()->click();
    return true;
}

}  // namespace plumex::qt::testing
