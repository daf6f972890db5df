// vexo package setuplist: the SETUP.LST of a package, written from the files it lists, so that
// the sizes are those of the files that go into the package.
#pragma once

#include <string_view>

#include "tools/vexo/command.h"

namespace vexo::cli {

extern const std::string_view kSetupListUsage;

int RunSetupList(Arguments args, std::ostream& out, std::ostream& err);

}  // namespace vexo::cli
