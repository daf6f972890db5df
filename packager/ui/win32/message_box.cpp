#include "packager/ui/win32/message_box.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace packager::win32 {

namespace {

// Room for the longest caption and text the program shows, with the NUL. A box's texts are
// copied into buffers of this size on the stack rather than into strings: a box may have to
// report that memory ran out.
constexpr std::size_t kBoxTextBytes = 512;
using BoxText = std::array<char, kBoxTextBytes>;

// Appends as much of part as fits before the buffer's last byte, which stays for the NUL.
void Append(BoxText& buffer, std::size_t& length, std::string_view part) {
    const std::size_t taken = std::min(part.size(), buffer.size() - 1 - length);
    std::copy_n(part.data(), taken, buffer.data() + length);
    length += taken;
    buffer[length] = '\0';
}

const char* Terminated(BoxText& buffer, std::string_view text) {
    std::size_t length = 0;
    Append(buffer, length, text);
    return buffer.data();
}

void Report(const MessageBoxSpec& box) {
    const HANDLE errors = ::GetStdHandle(STD_ERROR_HANDLE);
    if (errors == nullptr || errors == INVALID_HANDLE_VALUE) {
        return;
    }
    BoxText report{};
    std::size_t length = 0;
    for (const std::string_view part : {std::string_view("VEXOSetup message box: "), box.caption,
                                        std::string_view("\n"), box.text, std::string_view("\n")}) {
        Append(report, length, part);
    }
    DWORD written = 0;
    ::WriteFile(errors, report.data(), static_cast<DWORD>(length), &written, nullptr);
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
    BoxText text{};
    BoxText caption{};
    const UINT icon = box.icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONWARNING;
    ::MessageBoxA(owner, Terminated(text, box.text), Terminated(caption, box.caption),
                  MB_OK | icon);
}

}  // namespace packager::win32
