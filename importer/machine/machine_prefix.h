// The machine prefix: the folder that holds what stands in for a Windows machine on other
// platforms (the registry store, "Program Files", the media library). VEXO_PREFIX names it;
// else $XDG_DATA_HOME/vexo; else ~/.local/share/vexo.
#pragma once

#include <optional>
#include <string>

namespace machine {

// The prefix folder (no trailing separator), not necessarily existing yet.
std::string MachinePrefix();

// The prefix folder, created with private permissions (0700) when missing, with its
// "Program Files" folder; std::nullopt when it cannot be created.
std::optional<std::string> EnsureMachinePrefix();

// Paths inside the prefix.
std::string RegistryStorePath();    // <prefix>/registry.db
std::string ProgramFilesFolder();   // <prefix>/Program Files

}  // namespace machine
