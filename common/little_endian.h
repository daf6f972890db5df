// Little-endian integers inside byte buffers, as the PE and version-resource formats store them.
// Callers check bounds first; these helpers only assemble bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace common {

inline std::uint16_t LoadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

inline std::uint32_t LoadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

}  // namespace common
