// Starting the extracted setup program and waiting for it.
#include <array>

#include "common/win32/scoped_win.h"
#include "packager/format/entry_name.h"
#include "packager/win32/win32_platform.h"

namespace packager::win32 {

bool Win32Platform::StartAndWait(const char* program) {
    // The application name says which file runs; the command line only repeats it, quoted, for
    // the program's own argument parsing, and passes no arguments. CreateProcessA may write to
    // the command line, so it is a copy.
    std::array<char, packager::format::kPathBufferBytes + 2> commandLineText;
    PathBuffer commandLine(commandLineText);
    if (!commandLine.Append("\"") || !commandLine.Append(program) || !commandLine.Append("\"")) {
        return false;
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(program, commandLineText.data(), nullptr, nullptr, FALSE,
                          NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started)) {
        return false;
    }
    const common::win32::UniqueHandle process(started.hProcess);
    const common::win32::UniqueHandle thread(started.hThread);
    // Its exit code is of no interest; only its end is awaited.
    ::WaitForSingleObject(process.Get(), INFINITE);
    return true;
}

}  // namespace packager::win32
