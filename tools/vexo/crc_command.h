#pragma once

#include <cstdint>
#include <string>

#include "tools/vexo/command.h"

namespace vexo::cli {

// vexo crc FILE...: each file's CRC-32/BZIP2, the check value that guards a package entry.
Command CrcCommand();

// A check value as 8 upper-case hex digits, "FC891918".
std::string HexCheckValue(std::uint32_t value);

}  // namespace vexo::cli
