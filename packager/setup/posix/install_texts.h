// The texts a Linux install writes besides the package's own files: the desktop entry made to
// start the installed program, and the uninstall script.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace setup::posix {

// The desktop entry with every Exec line that starts the program by its bare name made to start
// it by its installed path: the folder it is installed into is often not on the PATH of a
// desktop session (~/.local/bin before the next login, or another prefix).
std::string InstalledDesktopEntry(std::string_view entry, std::string_view program,
                                  std::string_view installedPath);

// A POSIX shell script that removes the files, then the folders, each folder only when it is
// empty, so that files of the user's own in them stay. It names every path itself rather than
// reading the install record, so that it works whatever happens to the record.
std::string UninstallScript(const std::vector<std::string>& files,
                            const std::vector<std::string>& folders, std::string_view product,
                            std::string_view prefix);

}  // namespace setup::posix
