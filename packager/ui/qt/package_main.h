// VEXOSetup's program flow: the worker thread is created first, held back until the progress
// window exists, then let run; the window thread handles its events until the worker has
// ended, and the worker's end ends the program. The command line is not used.
#pragma once

namespace packager::qt {

// The process exit code: 1 when the program could not set itself up (after its
// "Initialization Error." box), else 0, whether the package was installed, failed or was
// cancelled.
int PackageMain(int argc, char** argv);

}  // namespace packager::qt
