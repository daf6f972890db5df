#include "packager/setup/win32/dialogue.h"

#include "packager/setup/win32/setup_windows.h"

namespace setup::win32 {

bool AutoAnswerRequested() {
    wchar_t value[2] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"VEXO_SETUP_AUTOANSWER", value, 2);
    return length == 1 && value[0] == L'1';
}

bool Dialogue::Confirm(const std::string& text) const {
    return Show(text, MB_YESNO | MB_ICONQUESTION, IDYES) == IDYES;
}

void Dialogue::Inform(const std::string& text) const {
    Show(text, MB_OK | MB_ICONINFORMATION, IDOK);
}

void Dialogue::Complain(const std::string& text) const {
    Show(text, MB_OK | MB_ICONERROR, IDOK);
}

int Dialogue::Show(const std::string& text, unsigned style, int defaultAnswer) const {
    if (!autoAnswer_) {
        return ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption_).c_str(),
                             style | MB_SETFOREGROUND);
    }
    const HANDLE errors = ::GetStdHandle(STD_ERROR_HANDLE);
    if (errors != nullptr && errors != INVALID_HANDLE_VALUE) {
        const std::string report = caption_ + ": " + text + "\n";
        DWORD written = 0;
        ::WriteFile(errors, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    }
    return defaultAnswer;
}

}  // namespace setup::win32
