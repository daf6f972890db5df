#include "packager/ui/win32/message_box.h"

#include <string>

namespace packager::win32 {

namespace {

void Report(const MessageBoxSpec& box) {
    std::string report = "VEXOSetup message box: ";
    report.append(box.caption).append(1, '\n').append(box.text).append(1, '\n');
    const HANDLE errors = ::GetStdHandle(STD_ERROR_HANDLE);
    if (errors == nullptr || errors == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    ::WriteFile(errors, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
}

}  // namespace

bool AutoAnswerRequested() {
    char value[2] = {};
    const DWORD length = ::GetEnvironmentVariableA("VEXO_SETUP_AUTOANSWER", value, sizeof value);
    return length == 1 && value[0] == '1';
}

void ShowMessageBox(HWND owner, const MessageBoxSpec& box, bool autoAnswer) {
    if (autoAnswer) {
        Report(box);
        return;
    }
    const std::string text(box.text);
    const std::string caption(box.caption);
    const UINT icon = box.icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONWARNING;
    ::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | icon);
}

}  // namespace packager::win32
