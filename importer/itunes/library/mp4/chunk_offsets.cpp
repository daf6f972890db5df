#include "importer/itunes/library/mp4/chunk_offsets.h"

#include "common/byte_order.h"

namespace itunes::library::mp4 {
namespace {

constexpr std::uint32_t kStco = FourCc("stco");
constexpr std::uint32_t kCo64 = FourCc("co64");
// Version and flags, then the number of entries.
constexpr std::uint64_t kTableFields = 8;

// Adds the tables found below box, down the path of box types, to found.
void Descend(std::span<const std::uint8_t> moov, const Box& box,
             std::span<const std::uint32_t> path, ChunkOffsetTables& found) {
    const Children children = ReadChildren(moov, box.PayloadOffset(), box.End());
    if (!children.error.empty()) {
        found.error = children.error;
        return;
    }
    for (const Box& child : children.boxes) {
        if (!path.empty()) {
            if (child.type == path.front()) {
                Descend(moov, child, path.subspan(1), found);
            }
        } else if (child.type == FourCc("saio")) {
            // File positions of encryption data: refused rather than left pointing elsewhere.
            found.error = "the file's sample auxiliary data cannot move";
        } else if (child.type == kStco || child.type == kCo64) {
            ChunkOffsetTable table;
            table.wide = child.type == kCo64;
            const std::uint64_t payload = child.size - child.headerSize;
            if (payload >= kTableFields) {
                table.count = common::LoadBe32(moov.data() + child.PayloadOffset() + 4);
                table.entriesAt = child.PayloadOffset() + kTableFields;
            }
            if (payload < kTableFields ||
                std::uint64_t{table.count} * (table.wide ? 8 : 4) > payload - kTableFields) {
                found.error = "a chunk offset table is cut off";
            } else {
                found.tables.push_back(table);
            }
        }
        if (!found.error.empty()) {
            return;
        }
    }
}

}  // namespace

ChunkOffsetTables FindChunkOffsets(std::span<const std::uint8_t> moov, const Box& header) {
    static constexpr std::uint32_t kPath[] = {FourCc("trak"), FourCc("mdia"), FourCc("minf"),
                                              FourCc("stbl")};
    ChunkOffsetTables found;
    Descend(moov, header, kPath, found);
    return found;
}

std::vector<std::uint64_t> ReadChunkOffsets(std::span<const std::uint8_t> moov,
                                            const std::vector<ChunkOffsetTable>& tables) {
    std::vector<std::uint64_t> offsets;
    for (const ChunkOffsetTable& table : tables) {
        const std::uint8_t* entry = moov.data() + table.entriesAt;
        for (std::uint32_t index = 0; index < table.count; ++index) {
            offsets.push_back(table.wide ? common::LoadBe64(entry + 8 * std::uint64_t{index})
                                         : common::LoadBe32(entry + 4 * std::uint64_t{index}));
        }
    }
    return offsets;
}

std::string MoveChunkOffsets(std::span<std::uint8_t> moov,
                             const std::vector<ChunkOffsetTable>& tables, std::uint64_t from,
                             std::uint64_t to, std::uint64_t growth) {
    for (const ChunkOffsetTable& table : tables) {
        for (std::uint32_t index = 0; index < table.count; ++index) {
            std::uint8_t* entry =
                moov.data() + table.entriesAt + (table.wide ? 8 : 4) * std::uint64_t{index};
            const std::uint64_t offset =
                table.wide ? common::LoadBe64(entry) : common::LoadBe32(entry);
            if (offset < from) {
                continue;
            }
            if (offset < to) {
                return "a chunk offset points into the movie header";
            }
            const std::uint64_t moved = offset + growth;
            if (table.wide ? moved < offset : moved > UINT32_MAX) {
                return "a chunk offset no longer fits";
            }
            if (table.wide) {
                common::PutBe64(entry, moved);
            } else {
                common::PutBe32(entry, static_cast<std::uint32_t>(moved));
            }
        }
    }
    return {};
}

}  // namespace itunes::library::mp4
