#pragma once

#include "tools/vexo/command.h"

namespace vexo::cli {

// vexo verinfo FILE: the file's version record, one Field=value line per field.
Command VerinfoCommand();

}  // namespace vexo::cli
