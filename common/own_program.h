// The running program's own file: its full path, and its folder and base name (file name without
// extension).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace common {

struct ProgramFile {
    std::string folder;    // without a trailing separator, except the root folder itself
    std::string baseName;  // "Plumex" for /opt/vexo/Plumex or C:\Apps\Plumex.exe

    bool operator==(const ProgramFile&) const = default;
};

// The running executable's full path as the system gives it (/proc/self/exe on Linux,
// GetModuleFileNameA on Windows); std::nullopt when it cannot be read.
std::optional<std::string> OwnProgramPath();

// From OwnProgramPath(). Both parts are empty when the executable's path cannot be read.
ProgramFile OwnProgramFile();

// Splits a program's path at its last separator ("/"; on Windows "\" too). The base name loses
// its last extension; a name that starts with its only "." (".vexo") has none.
ProgramFile ProgramFileFromPath(std::string_view path);

}  // namespace common
