#pragma once

#include "tools/vexo/command.h"

namespace vexo::cli {

// vexo package create|list ...: VEXOSetup packages - the stub program followed by a payload of
// files - written from files and checked entry by entry.
Command PackageCommand();

}  // namespace vexo::cli
