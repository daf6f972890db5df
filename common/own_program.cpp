#include "common/own_program.h"

namespace common {

namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/";
#else
constexpr std::string_view kSeparators = "/";
#endif

}  // namespace

ProgramFile ProgramFileFromPath(std::string_view path) {
    ProgramFile file;
    std::string_view name = path;
    const std::size_t separator = path.find_last_of(kSeparators);
    if (separator != std::string_view::npos) {
        // The root folder keeps its separator: without it, it would read as "no folder".
        file.folder = std::string(path.substr(0, separator == 0 ? 1 : separator));
        name = path.substr(separator + 1);
    }
    const std::size_t dot = name.find_last_of('.');
    file.baseName =
        std::string(dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot));
    return file;
}

}  // namespace common
