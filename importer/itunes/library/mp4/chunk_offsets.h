// The chunk offset tables of a movie header: each track's "stco" (32-bit) or "co64" (64-bit)
// table holds the file positions of its samples, which change when the bytes in front of the
// samples grow.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "importer/itunes/library/mp4/box.h"

namespace itunes::library::mp4 {

struct ChunkOffsetTable {
    std::uint64_t entriesAt = 0;  // within the movie header's bytes
    std::uint32_t count = 0;
    bool wide = false;  // co64
};

struct ChunkOffsetTables {
    std::vector<ChunkOffsetTable> tables;
    std::string error;  // non-empty: a box on the way or a table does not fit, or a track
                        // has other file positions ("saio") that would have to move too
};

// Every track's tables (moov/trak/mdia/minf/stbl); moov holds the whole movie header box, header
// is its header at offset 0 of those bytes.
ChunkOffsetTables FindChunkOffsets(std::span<const std::uint8_t> moov, const Box& header);

// Every offset of the tables, in order.
std::vector<std::uint64_t> ReadChunkOffsets(std::span<const std::uint8_t> moov,
                                            const std::vector<ChunkOffsetTable>& tables);

// Moves the offsets for a file whose bytes [from, to) are replaced by to - from + growth others:
// an offset at or after to moves by growth, one before from stays. Empty, or why not: an offset
// points into the bytes replaced, or no longer fits its table (moov then partly changed).
std::string MoveChunkOffsets(std::span<std::uint8_t> moov,
                             const std::vector<ChunkOffsetTable>& tables, std::uint64_t from,
                             std::uint64_t to, std::uint64_t growth);

}  // namespace itunes::library::mp4
