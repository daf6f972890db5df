// Conversion of the UTF-16LE texts stored in version resources to the program's narrow
// encoding (UTF-8).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace common {

// Converts UTF-16LE bytes to UTF-8. NUL characters are kept; an unpaired surrogate becomes
// U+FFFD; a final odd byte (half a code unit) is dropped.
std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes);

}  // namespace common
