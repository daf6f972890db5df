#include "packager/ui/qt/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace packager::qt {

namespace {

QString FromLocal(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void ReportMessageBox(const MessageBoxSpec& box) {
    std::fprintf(stderr, "VEXOSetup message box: %.*s\n%.*s\n",
                 static_cast<int>(box.caption.size()), box.caption.data(),
                 static_cast<int>(box.text.size()), box.text.data());
    std::fflush(stderr);
}

bool AutoAnswerRequested() {
    const char* value = std::getenv("VEXO_SETUP_AUTOANSWER");
    return value != nullptr && std::string_view(value) == "1";
}

void ShowMessageBox(QWidget* owner, const MessageBoxSpec& box, bool autoAnswer) {
    if (autoAnswer) {
        ReportMessageBox(box);
        return;
    }
    const QMessageBox::Icon icon =
        box.icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Warning;
    QMessageBox dialog(icon, FromLocal(box.caption), FromLocal(box.text), QMessageBox::Ok, owner);
    dialog.setDefaultButton(QMessageBox::Ok);
    dialog.setEscapeButton(QMessageBox::Ok);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.exec();
}

void DismissMessageBoxes() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
            box->done(QMessageBox::Ok);
        }
    }
}

}  // namespace packager::qt
