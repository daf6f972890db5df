// Fixed-width integers inside byte buffers, in a given byte order whatever the host's: the PE,
// version-resource, ELF, registry and package formats store theirs little-endian, MPEG-4 boxes
// big-endian. Callers check
// bounds first; these only assemble and spread bytes. Header-only and free of everything but
// the standard library, so that the size-optimised setup stub can use it as it is.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace common {

inline std::uint16_t LoadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t LoadLe64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(LoadLe32(p)) |
           (static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32);
}

inline std::uint32_t LoadBe32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

inline std::uint64_t LoadBe64(const std::uint8_t* p) {
    return (static_cast<std::uint64_t>(LoadBe32(p)) << 32) | LoadBe32(p + 4);
}

inline void PutBe32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

inline void PutBe64(std::uint8_t* p, std::uint64_t value) {
    PutBe32(p, static_cast<std::uint32_t>(value >> 32));
    PutBe32(p + 4, static_cast<std::uint32_t>(value));
}

// The same loads at an offset into a buffer.
inline std::uint16_t LoadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return LoadLe16(bytes.data() + at);
}

inline std::uint32_t LoadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return LoadLe32(bytes.data() + at);
}

inline void PutLe16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutLe32(std::uint8_t* p, std::uint32_t value) {
    PutLe16(p, static_cast<std::uint16_t>(value));
    PutLe16(p + 2, static_cast<std::uint16_t>(value >> 16));
}

inline void PutLe64(std::uint8_t* p, std::uint64_t value) {
    PutLe32(p, static_cast<std::uint32_t>(value));
    PutLe32(p + 4, static_cast<std::uint32_t>(value >> 32));
}

// The bytes of a value, least significant first, to append or hand on as they are.
inline std::array<std::uint8_t, 2> Le16Bytes(std::uint16_t value) {
    std::array<std::uint8_t, 2> bytes{};
    PutLe16(bytes.data(), value);
    return bytes;
}

inline std::array<std::uint8_t, 4> Le32Bytes(std::uint32_t value) {
    std::array<std::uint8_t, 4> bytes{};
    PutLe32(bytes.data(), value);
    return bytes;
}

}  // namespace common
