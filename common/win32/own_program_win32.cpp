#include <windows.h>

#include "common/own_program.h"

namespace common {

std::optional<std::string> OwnProgramPath() {
    // Room for the longest path Windows has (32,767 characters and the NUL): GetModuleFileNameA
    // fills a shorter buffer and says nothing more, so an answer that fills this one is refused.
    char buffer[32768];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::optional<std::string> path;
    if (length != 0 && length < sizeof buffer) {
        path.emplace(buffer, length);
    }
    return path;
}

ProgramFile OwnProgramFile() {
    return ProgramFileFromPath(OwnProgramPath().value_or(""));
}

}  // namespace common
