// The ELF rule of locating the payload (see locate_payload.h): the image ends with the last of
// its headers, header tables, segments and sections that occupy file bytes. Linkers put the
// section header table last, but nothing requires it, so every part is looked at.
#include <algorithm>
#include <array>
#include <limits>

#include "common/byte_order.h"
#include "packager/format/stub_rules.h"

namespace packager::format::stub {

namespace {

constexpr std::uint8_t kClass32 = 1;
constexpr std::uint8_t kClass64 = 2;
constexpr std::uint8_t kLittleEndian = 1;
constexpr std::uint16_t kExtendedProgramCount = 0xFFFF;  // PN_XNUM
constexpr std::uint32_t kNullEntry = 0;                  // PT_NULL, SHT_NULL
constexpr std::uint32_t kNoBits = 8;                     // SHT_NOBITS: no bytes in the file

// Where the fields lie in each class.
struct Layout {
    std::size_t headerBytes;
    std::size_t programOffsetField, sectionOffsetField, sizesField;  // e_phoff, e_shoff, e_ehsize
    std::size_t programEntryBytes, programOffset, programFileSize;   // p_offset, p_filesz
    std::size_t sectionEntryBytes, sectionOffset, sectionSize;       // sh_offset, sh_size
};

constexpr Layout kElf32{52, 28, 32, 40, 32, 4, 16, 40, 16, 20};
constexpr Layout kElf64{64, 32, 40, 52, 56, 8, 32, 64, 24, 32};

// An address-sized field: 4 bytes in 32-bit files, 8 in 64-bit ones.
std::uint64_t Word(const std::uint8_t* field, bool is64) {
    return is64 ? common::LoadLe64(field) : common::LoadLe32(field);
}

// The furthest end seen so far; false once an end overflows 64 bits.
class FurthestEnd {
  public:
    bool Extend(std::uint64_t offset, std::uint64_t size) {
        if (size > std::numeric_limits<std::uint64_t>::max() - offset) {
            return false;
        }
        end_ = std::max(end_, offset + size);
        return true;
    }
    std::uint64_t End() const { return end_; }

  private:
    std::uint64_t end_ = 0;
};

struct Table {
    std::uint64_t offset;
    std::uint16_t count;
    std::uint16_t entryBytes;
};

// Reads a header table entry by entry, handing each one's first `wanted` bytes to visit.
template <typename Visit>
bool ReadTable(common::ByteReader& reader, const Table& table, std::size_t wanted, Visit&& visit) {
    std::array<std::uint8_t, 64> entry{};
    for (std::uint64_t i = 0; i < table.count; ++i) {
        reader.Seek(table.offset + i * table.entryBytes);
        if (!reader.Read(std::span(entry.data(), wanted)) || !visit(entry.data())) {
            return false;
        }
    }
    return true;
}

}  // namespace

ImageEnd ElfImageEnd(common::ByteReader& reader, const CancelQuery& isCancelled) {
    // The rest of e_ident: "LF", class, byte order and the padding up to offset 16.
    if (Cancelled(isCancelled)) {
        return kCancelled;
    }
    std::array<std::uint8_t, 64> header{0x7F, 'E'};
    if (!reader.Read(std::span(header.data() + 2, 14)) || header[2] != 'L' || header[3] != 'F' ||
        header[5] != kLittleEndian || (header[4] != kClass32 && header[4] != kClass64)) {
        return kFailed;
    }
    const bool is64 = header[4] == kClass64;
    const Layout& layout = is64 ? kElf64 : kElf32;

    if (Cancelled(isCancelled)) {
        return kCancelled;
    }
    if (!reader.Read(std::span(header.data() + 16, layout.headerBytes - 16))) {
        return kFailed;
    }
    const std::uint8_t* sizes = &header[layout.sizesField];
    const std::uint16_t declaredHeaderBytes = common::LoadLe16(sizes);
    const Table programs{Word(&header[layout.programOffsetField], is64),
                         common::LoadLe16(sizes + 4), common::LoadLe16(sizes + 2)};
    const Table sections{Word(&header[layout.sectionOffsetField], is64),
                         common::LoadLe16(sizes + 8), common::LoadLe16(sizes + 6)};
    if (programs.count == kExtendedProgramCount || (sections.count == 0 && sections.offset != 0) ||
        (programs.count != 0 && programs.entryBytes < layout.programEntryBytes) ||
        (sections.count != 0 && sections.entryBytes < layout.sectionEntryBytes)) {
        return kFailed;
    }

    FurthestEnd end;
    end.Extend(0, std::max<std::uint64_t>(layout.headerBytes, declaredHeaderBytes));
    if ((programs.count != 0 &&
         !end.Extend(programs.offset, std::uint64_t{programs.count} * programs.entryBytes)) ||
        (sections.count != 0 &&
         !end.Extend(sections.offset, std::uint64_t{sections.count} * sections.entryBytes))) {
        return kFailed;
    }

    if (Cancelled(isCancelled)) {
        return kCancelled;
    }
    const bool segmentsRead =
        ReadTable(reader, programs, layout.programEntryBytes, [&](const std::uint8_t* entry) {
            const std::uint64_t fileSize = Word(entry + layout.programFileSize, is64);
            return common::LoadLe32(entry) == kNullEntry || fileSize == 0 ||
                   end.Extend(Word(entry + layout.programOffset, is64), fileSize);
        });
    if (!segmentsRead) {
        return kFailed;
    }

    if (Cancelled(isCancelled)) {
        return kCancelled;
    }
    const bool sectionsRead =
        ReadTable(reader, sections, layout.sectionEntryBytes, [&](const std::uint8_t* entry) {
            const std::uint32_t type = common::LoadLe32(entry + 4);
            const std::uint64_t size = Word(entry + layout.sectionSize, is64);
            return type == kNullEntry || type == kNoBits || size == 0 ||
                   end.Extend(Word(entry + layout.sectionOffset, is64), size);
        });
    if (!sectionsRead) {
        return kFailed;
    }
    return {LocateResult::Located, end.End()};
}

}  // namespace packager::format::stub
