// vexo package list: a package's entries, each checked against its check value as VEXOSetup
// checks it when extracting.
#pragma once

#include <iosfwd>
#include <string_view>

namespace vexo::cli {

// Prints the stub line, one line per entry and a summary to out, and each fault - which entry
// and why - to err. True when the package is sound: found, complete, every name a plain file
// name and every check value matching.
bool ListPackage(std::string_view path, std::ostream& out, std::ostream& err);

}  // namespace vexo::cli
