// VEXOSetup: the package delivery program. Its payload of files follows the program image.
#include "packager/ui/win32/package_main.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    return packager::win32::PackageMain(instance);
}
