// setup.exe: the setup program a package runs (see setup_program.h).
#include <vector>

#include "common/win32/scoped_win.h"
#include "packager/setup/win32/setup_program.h"
#include "packager/setup/win32/setup_windows.h"

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    // The shell's link object, which makes the Start menu shortcut, is a COM object.
    const common::win32::ComApartment com;
    int count = 0;
    const common::win32::LocalMemory<LPWSTR*> argv(
        ::CommandLineToArgvW(::GetCommandLineW(), &count));
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) {
        arguments.emplace_back(argv.Get()[i]);
    }
    return setup::win32::SetupMain(arguments);
}
