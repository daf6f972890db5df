#pragma once

#include <functional>
#include <iosfwd>

#include "importer/registry/registry_api.h"
#include "tools/vexo/command.h"
#include "tools/vexo/console_view.h"

namespace vexo::cli {

// vexo import [--dry-run] FOLDER: Plumex's import of a folder of shows, without a window, into
// the embedded media library of the machine prefix.
Command ImportCommand();

// The same with the registry that api answers; onYield runs at every yield of the import.
// args are the arguments after "import".
int RunImport(Arguments args, registry::RegistryApi& api, std::ostream& out, std::ostream& err,
              std::function<void(const ConsoleView&)> onYield = {});

}  // namespace vexo::cli
