// VEXOSetup's program flow on Win32: the worker thread is created suspended, with all the
// memory it will run in, before anything else, and resumed once the progress window exists; the
// window thread then handles messages while it waits for the worker, and the worker's end ends the
// program. The command line and the start-up show command are not used.
#pragma once

#include "common/win32/windows_api.h"

namespace packager {
struct WorkerMemory;
}  // namespace packager

namespace packager::win32 {

// The process exit code: 1 when the program could not set itself up (after its
// "Initialization Error." box, memory running out included), else 0, whether the package was
// installed, failed or was cancelled; and 1 after an abnormal end (a fault the program did not
// foresee), never another code.
int PackageMain(HINSTANCE instance);

// The same with the worker's memory had already; null when it could not be had, which fails the
// first step of the set-up.
int PackageMain(HINSTANCE instance, WorkerMemory* memory);

// The code of an abnormal end.
inline constexpr UINT kAbnormalEndCode = 1;

}  // namespace packager::win32
