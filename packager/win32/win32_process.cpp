// Starting the extracted setup program and waiting for it.
#include "common/win32/scoped_win.h"
#include "packager/win32/win32_platform.h"

namespace packager::win32 {

bool Win32Platform::StartAndWait(const std::string& program) {
    // The application name says which file runs; the command line only repeats it, quoted, for
    // the program's own argument parsing, and passes no arguments.
    std::string commandLine;
    commandLine.reserve(program.size() + 2);
    commandLine.append(1, '"').append(program).append(1, '"');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
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
