// VEXOSetup: the package delivery program. Its payload of files follows the program image.
//
// The program starts here, with no C runtime before it: it takes no command line, no
// environment of the runtime's and no static objects to construct, so the system's start of the
// process is all it needs, and the stub stays small.
#include "packager/ui/win32/package_main.h"

extern "C" [[noreturn]] void VexoSetupStart() {
    ::ExitProcess(static_cast<UINT>(packager::win32::PackageMain(::GetModuleHandleA(nullptr))));
}
