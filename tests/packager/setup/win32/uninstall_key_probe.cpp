// Stands in for Plumex.exe in the test packages: run from the installed folder, it writes the
// key of its uninstall entry as clsRegistry's SearchForUninstallKey finds it (empty when none).
#include <cstdio>

#include "importer/registry/clsRegistry.h"

int main() {
    registry::clsRegistry registry;
    std::printf("%s\n", registry.SearchForUninstallKey().c_str());
    return 0;
}
