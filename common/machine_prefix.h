// The machine prefix: the folder that holds what stands in for a Windows machine on other
// platforms (the registry store, "Program Files", the media library). VEXO_PREFIX names it;
// else $XDG_DATA_HOME/vexo (an absolute XDG_DATA_HOME only); else ~/.local/share/vexo, the home
// folder taken from HOME or, when HOME is unset, from the account database.
#pragma once

#include <optional>
#include <string>

namespace common {

// The prefix folder, absolute and without a trailing separator, not necessarily existing yet;
// read from the environment at each call. Empty when no folder can be named (no VEXO_PREFIX,
// no XDG_DATA_HOME and no home folder).
std::string MachinePrefix();

// The prefix folder, created when missing - with any missing parents - with private
// permissions (0700), and its "Program Files" folder; std::nullopt when either cannot be
// created or something other than a folder is in the way. A folder that exists already keeps
// its permissions.
std::optional<std::string> EnsureMachinePrefix();

// Paths inside the prefix; empty when MachinePrefix() is.
std::string RegistryStorePath();   // <prefix>/registry.db
std::string ProgramFilesFolder();  // <prefix>/Program Files
// The media library's database, in the machine's music folder as the application keeps it.
std::string MediaLibraryPath();  // <prefix>/Music/iTunes/iTunes Library.db

}  // namespace common
