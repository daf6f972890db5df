// Who the program is: its title, shown as the caption of every message box without one of
// its own, and its version numbers.
#pragma once

#include <cstdint>

#include "vexo_version.h"

namespace importer {

inline constexpr const char* kApplicationTitle = "VEXO(tm) Plumex TV";

struct ProgramVersion {
    std::int32_t major;
    std::int32_t minor;
    std::int32_t revision;
};
inline constexpr ProgramVersion kProgramVersion{VEXO_VERSION_MAJOR, VEXO_VERSION_MINOR,
                                                VEXO_VERSION_REVISION};

}  // namespace importer
