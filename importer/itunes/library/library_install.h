// Installs the embedded media library into the machine prefix the way the outside
// application's installer would: its registry entry, its program file with a version resource,
// and its database. Uninstalling removes the three again. Both may run any number of times.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "importer/itunes/library/library_contract.h"
#include "importer/registry/registry_api.h"

namespace itunes::library {

// The install folder the entry names, as a folder below the Program Files folder, not as a
// full path.
inline constexpr std::string_view kLibraryProgramFolder = "iTunes";

// The program file's bytes: a 32-bit Windows executable whose version resource names our own
// product and the automation version of the contract.
std::vector<std::uint8_t> LibraryProgramImage();

// <Program Files>/iTunes and the program file inside it, for the current machine prefix.
std::string LibraryProgramFolderPath();
std::string LibraryProgramFilePath();

// Each step of an install or uninstall prints one line to the report; false when a step
// failed (the remaining steps still run, so that as much as possible is done or undone).
bool InstallLibrary(registry::RegistryApi& api, std::ostream& report, std::ostream& err);
bool UninstallLibrary(registry::RegistryApi& api, std::ostream& report, std::ostream& err);

}  // namespace itunes::library
