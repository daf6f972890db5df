// VEXOSetup's program flow on Win32: the worker thread is created suspended, before anything
// else, and resumed once the progress window exists; the window thread then handles messages
// while it waits for the worker, and the worker's end ends the program. The command line and
// the start-up show command are not used.
#pragma once

#include "common/win32/windows_api.h"

namespace packager::win32 {

// The process exit code: 1 when the program could not set itself up (after its
// "Initialization Error." box), else 0, whether the package was installed, failed or was
// cancelled.
int PackageMain(HINSTANCE instance);

}  // namespace packager::win32
