#include "common/environment.h"
#include "importer/forms/frmMain.h"

namespace forms {

StartupServices SystemStartupServices() {
    return {common::ExpandEnvironmentStringsA, &registry::SystemRegistryApi(),
            &basFiles::SystemVersionInfoApi(), itunes::CreateObject};
}

}  // namespace forms
