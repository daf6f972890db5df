#include "importer/ui/qt/message_box.h"

#include <QMessageBox>
#include <QString>

namespace plumex::qt {
namespace {

QMessageBox::Icon ToQtIcon(importer::MessageIcon icon) {
    switch (icon) {
        case importer::MessageIcon::Error:
            return QMessageBox::Critical;
        case importer::MessageIcon::Question:
            return QMessageBox::Question;
        case importer::MessageIcon::Information:
            return QMessageBox::Information;
        case importer::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString FromLocal(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

importer::MessageAnswer ShowMessageBox(QWidget* parent, std::string_view text,
                                       std::string_view caption, importer::MessageButtons buttons,
                                       importer::MessageIcon icon) {
    const bool yesNo = buttons == importer::MessageButtons::YesNo;
    QMessageBox box(ToQtIcon(icon), FromLocal(caption), FromLocal(text),
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent);
    box.setDefaultButton(yesNo ? QMessageBox::No : QMessageBox::Ok);
    box.setEscapeButton(yesNo ? QMessageBox::No : QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    const int answer = box.exec();
    if (!yesNo) {
        return importer::MessageAnswer::Ok;
    }
    return answer == QMessageBox::Yes ? importer::MessageAnswer::Yes : importer::MessageAnswer::No;
}

}  // namespace plumex::qt
