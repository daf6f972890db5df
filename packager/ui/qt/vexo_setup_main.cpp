// VEXOSetup: the package delivery program. Its payload of files follows the program image.
#include "packager/ui/qt/package_main.h"

int main(int argc, char** argv) {
    return packager::qt::PackageMain(argc, argv);
}
