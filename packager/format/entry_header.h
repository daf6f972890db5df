// The payload's layout: entryCount (4 bytes), then for each entry its 268-byte EntryHeader and
// its data. All integers are unsigned little-endian; there is no alignment and no padding.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace packager::format {

inline constexpr std::size_t kEntryCountBytes = 4;
inline constexpr std::size_t kEntryNameBytes = 260;
inline constexpr std::size_t kEntryHeaderBytes = kEntryNameBytes + 4 + 4;

struct EntryHeader {
    // The file name in the 8-bit code page, NUL-terminated, the rest of the field NUL bytes.
    std::array<char, kEntryNameBytes> name{};
    std::uint32_t size = 0;        // data bytes that follow the header
    std::uint32_t checkValue = 0;  // CRC-32/BZIP2 of those bytes

    // The name up to its first NUL; std::nullopt when the field holds none.
    std::optional<std::string_view> Name() const;
};

EntryHeader DecodeEntryHeader(std::span<const std::uint8_t, kEntryHeaderBytes> bytes);
std::array<std::uint8_t, kEntryHeaderBytes> EncodeEntryHeader(const EntryHeader& header);

}  // namespace packager::format
