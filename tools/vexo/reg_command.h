#pragma once

#include <iosfwd>

#include "importer/registry/registry_api.h"
#include "tools/vexo/command.h"

namespace vexo::cli {

// vexo reg add|query|delete|export|import ...: reg.exe's operations on this machine's registry
// (on Linux the machine prefix's registry store).
Command RegCommand();

// The same on the registry that api answers. args are the arguments after "reg".
int RunReg(Arguments args, registry::RegistryApi& api, std::ostream& out, std::ostream& err);

}  // namespace vexo::cli
