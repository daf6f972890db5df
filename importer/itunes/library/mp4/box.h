// The boxes an MPEG-4 / QuickTime file is made of: reading their headers, at the top level from
// the file and inside the movie header from memory, and writing headers and sizes. Every size is
// checked against the box that holds it (or the file), so that nothing is ever read past the
// bytes there are.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/byte_source.h"

namespace itunes::library::mp4 {

using Bytes = std::vector<std::uint8_t>;

// A box type as a big-endian number: FourCc("moov"), FourCc("\xA9nam").
constexpr std::uint32_t FourCc(const char (&name)[5]) {
    std::uint32_t type = 0;
    for (int i = 0; i < 4; ++i) {
        type = type << 8 | static_cast<unsigned char>(name[i]);
    }
    return type;
}

struct Box {
    std::uint32_t type = 0;
    std::uint64_t offset = 0;      // where its header starts
    std::uint64_t size = 0;        // header included; a size of 0 (to the end) already resolved
    std::uint32_t headerSize = 8;  // 16 with a 64-bit size; 16 more for a "uuid" box's own type
    bool largeSize = false;        // its size is the 64-bit field after the type

    std::uint64_t PayloadOffset() const { return offset + headerSize; }
    std::uint64_t End() const { return offset + size; }
};

// The boxes that fill part of a container box, in order. Fewer than 8 bytes after the last one
// (QuickTime ends some lists with a 32-bit zero) are no box; they stay where they are.
struct Children {
    std::vector<Box> boxes;
    std::uint64_t end = 0;  // where the last box ends: the place for a box added to the list
    std::string error;      // non-empty: a size does not fit

    const Box* Find(std::uint32_t type) const;
};

// The children in bytes [begin, end) of a box held in memory.
Children ReadChildren(std::span<const std::uint8_t> bytes, std::uint64_t begin, std::uint64_t end);

// The file's own boxes, by their headers alone (no payload is read). A size of 0 (to the end of
// the file) is allowed here only. error is "not an MPEG-4 or QuickTime file" when the first box
// is not one such files start with.
Children ReadTopLevel(common::ByteSource& file);

// A box of the type around the payload, with a 32-bit size.
Bytes MakeBox(std::uint32_t type, std::span<const std::uint8_t> payload);

// The header of a "free" box that covers size bytes (at least 8), 64-bit when it must be.
Bytes FreeBoxHeader(std::uint64_t size);

// bytes with [from, to) replaced by insert, and the size of each of the containers (boxes of
// bytes that hold that range) set to match, in the 32 or 64-bit form it had. The caller keeps
// every size within 32 bits where the form is 32-bit.
Bytes Splice(std::span<const std::uint8_t> bytes, std::uint64_t from, std::uint64_t to,
             std::span<const std::uint8_t> insert, std::span<const Box> containers);

}  // namespace itunes::library::mp4
