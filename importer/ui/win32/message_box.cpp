#include "importer/ui/win32/message_box.h"

#include <string>

namespace plumex::win32 {

UINT MessageBoxStyle(importer::MessageButtons buttons, importer::MessageIcon icon) {
    UINT style = buttons == importer::MessageButtons::YesNo ? MB_YESNO | MB_DEFBUTTON2 : MB_OK;
    switch (icon) {
        case importer::MessageIcon::None:
            break;
        case importer::MessageIcon::Error:
            style |= MB_ICONERROR;
            break;
        case importer::MessageIcon::Question:
            style |= MB_ICONQUESTION;
            break;
        case importer::MessageIcon::Information:
            style |= MB_ICONINFORMATION;
            break;
    }
    return style;
}

importer::MessageAnswer AnswerFor(int pressed, importer::MessageButtons buttons) {
    if (buttons == importer::MessageButtons::Ok) {
        return importer::MessageAnswer::Ok;
    }
    return pressed == IDYES ? importer::MessageAnswer::Yes : importer::MessageAnswer::No;
}

importer::MessageAnswer ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                                       importer::MessageButtons buttons,
                                       importer::MessageIcon icon) {
    // MessageBoxA reads C strings: the views are copied to get their terminating NULs.
    const std::string boxText(text);
    const std::string boxCaption(caption);
    const int pressed =
        MessageBoxA(owner, boxText.c_str(), boxCaption.c_str(), MessageBoxStyle(buttons, icon));
    return AnswerFor(pressed, buttons);
}

}  // namespace plumex::win32
