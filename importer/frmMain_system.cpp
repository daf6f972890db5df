#include "importer/frmMain.h"
#include "importer/machine/environment.h"

namespace importer {

StartupServices SystemStartupServices() {
    return {machine::ExpandEnvironmentStringsA, &registry::SystemRegistryApi(),
            &basFiles::SystemVersionInfoApi(), itunes::CreateObject};
}

}  // namespace importer
