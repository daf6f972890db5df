// The running program's own file: its folder and its base name (file name without extension).
#pragma once

#include <string>
#include <string_view>

namespace common {

struct ProgramFile {
    std::string folder;    // without a trailing separator, except the root folder itself
    std::string baseName;  // "Plumex" for /opt/vexo/Plumex or C:\Apps\Plumex.exe

    bool operator==(const ProgramFile&) const = default;
};

// From the running executable (/proc/self/exe on Linux, GetModuleFileName on Windows). Both
// parts are empty when the executable's path cannot be read.
ProgramFile OwnProgramFile();

// Splits a program's path at its last separator ("/"; on Windows "\" too). The base name loses
// its last extension; a name that starts with its only "." (".vexo") has none.
ProgramFile ProgramFileFromPath(std::string_view path);

}  // namespace common
