// The running program's own file: its folder and its base name (file name without extension).
#pragma once

#include <string>

namespace machine {

struct ProgramFile {
    std::string folder;    // without a trailing separator
    std::string baseName;  // "Plumex" for /opt/vexo/Plumex or C:\Apps\Plumex.exe
};

// From the running executable (/proc/self/exe on Linux, GetModuleFileName on Windows).
ProgramFile OwnProgramFile();

}  // namespace machine
