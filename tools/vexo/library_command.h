#pragma once

#include <iosfwd>

#include "importer/registry/registry_api.h"
#include "tools/vexo/command.h"

namespace vexo::cli {

// vexo library install|uninstall|list|add ...: the embedded media library in the machine
// prefix, installed as the outside application would be, and its tracks.
Command LibraryCommand();

// The same with the registry that api answers. args are the arguments after "library".
int RunLibrary(Arguments args, registry::RegistryApi& api, std::ostream& out, std::ostream& err);

}  // namespace vexo::cli
