#include "importer/files/pe_reader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <utility>

#include "common/byte_order.h"

namespace basFiles {

namespace {

constexpr std::uint16_t kDosSignature = 0x5A4D;      // "MZ"
constexpr std::uint64_t kNewHeaderPointerAt = 0x3C;  // e_lfanew
constexpr std::uint32_t kPeSignature = 0x00004550;   // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kSectionHeaderBytes = 40;

constexpr std::uint32_t kVersionType = 16;  // RT_VERSION
constexpr std::uint32_t kVersionName = 1;   // VS_VERSION_INFO
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000;
constexpr std::uint32_t kDirectoryHeaderBytes = 16;
constexpr std::uint32_t kDirectoryEntryBytes = 8;
constexpr std::uint32_t kDataEntryBytes = 16;

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> ReadFixed(common::ByteSource& source,
                                                     std::uint64_t offset) {
    std::array<std::uint8_t, N> bytes{};
    if (!source.ReadAt(offset, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

// The part of a section that the file holds: the loader maps no more than VirtualSize, and
// bytes past SizeOfRawData are zeros that the file does not contain.
struct Section {
    std::uint64_t virtualAddress = 0;
    std::uint64_t fileBytes = 0;
    std::uint64_t fileOffset = 0;
};

class Image {
  public:
    Image(common::ByteSource& source, std::vector<Section> sections)
        : source_(source), sections_(std::move(sections)) {}

    // The file offset of length bytes at rva when they lie within one section's file data.
    std::optional<std::uint64_t> FileOffset(std::uint64_t rva, std::uint64_t length) const {
        for (const Section& section : sections_) {
            if (rva < section.virtualAddress) {
                continue;
            }
            const std::uint64_t into = rva - section.virtualAddress;
            if (into < section.fileBytes && length <= section.fileBytes - into &&
                section.fileOffset + into + length <= source_.Size()) {
                return section.fileOffset + into;
            }
        }
        return std::nullopt;
    }

    bool Holds(std::uint64_t rva, std::uint64_t length) const {
        return FileOffset(rva, length).has_value();
    }

    bool ReadRva(std::uint64_t rva, std::span<std::uint8_t> out) const {
        const auto offset = FileOffset(rva, out.size());
        return offset && source_.ReadAt(*offset, out);
    }

  private:
    common::ByteSource& source_;
    std::vector<Section> sections_;
};

struct PeHeaders {
    std::uint32_t resourceRva = 0;
    std::vector<Section> sections;
};

std::optional<PeHeaders> ReadPeHeaders(common::ByteSource& source) {
    const auto dos = ReadFixed<64>(source, 0);
    if (!dos || common::LoadLe16(*dos, 0) != kDosSignature) {
        return std::nullopt;
    }
    const std::uint64_t peAt = common::LoadLe32(*dos, kNewHeaderPointerAt);
    // Signature and COFF file header.
    const auto coff = ReadFixed<24>(source, peAt);
    if (!coff || common::LoadLe32(*coff, 0) != kPeSignature) {
        return std::nullopt;
    }
    const std::uint32_t sectionCount = common::LoadLe16(*coff, 6);
    const std::uint32_t optionalHeaderBytes = common::LoadLe16(*coff, 20);
    const std::uint64_t optionalAt = peAt + 24;

    const auto magic = ReadFixed<2>(source, optionalAt);
    if (!magic) {
        return std::nullopt;
    }
    std::uint32_t directoryCountAt = 0;
    switch (common::LoadLe16(*magic, 0)) {
        case kPe32Magic:
            directoryCountAt = 92;
            break;
        case kPe32PlusMagic:
            directoryCountAt = 108;
            break;
        default:
            return std::nullopt;
    }
    const std::uint32_t resourceEntryAt = directoryCountAt + 4 + 8 * kResourceDirectoryIndex;
    if (resourceEntryAt + 8 > optionalHeaderBytes) {
        return std::nullopt;
    }
    const auto count = ReadFixed<4>(source, optionalAt + directoryCountAt);
    const auto entry = ReadFixed<8>(source, optionalAt + resourceEntryAt);
    if (!count || !entry || common::LoadLe32(*count, 0) <= kResourceDirectoryIndex) {
        return std::nullopt;
    }

    PeHeaders headers;
    headers.resourceRva = common::LoadLe32(*entry, 0);
    if (headers.resourceRva == 0) {
        return std::nullopt;
    }
    // The table must lie in the file, which also bounds what a forged count can cost.
    const std::uint64_t tableAt = optionalAt + optionalHeaderBytes;
    const std::uint64_t tableBytes = std::uint64_t{sectionCount} * kSectionHeaderBytes;
    if (tableAt > source.Size() || tableBytes > source.Size() - tableAt) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> table(static_cast<std::size_t>(tableBytes));
    if (!source.ReadAt(tableAt, table)) {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < table.size(); at += kSectionHeaderBytes) {
        const std::uint32_t virtualSize = common::LoadLe32(table, at + 8);
        const std::uint32_t rawSize = common::LoadLe32(table, at + 16);
        headers.sections.push_back(Section{
            .virtualAddress = common::LoadLe32(table, at + 12),
            .fileBytes = virtualSize == 0 ? rawSize : std::min(virtualSize, rawSize),
            .fileOffset = common::LoadLe32(table, at + 20),
        });
    }
    return headers;
}

struct DirectoryEntry {
    std::uint32_t name = 0;    // an ID, or a flagged offset of a name string
    std::uint32_t target = 0;  // offset of a subdirectory (flagged) or of a data entry
};

struct Directory {
    std::vector<DirectoryEntry> entries;
    std::size_t namedCount = 0;  // named entries come first, ID entries after them

    std::span<const DirectoryEntry> IdEntries() const {
        return std::span(entries).subspan(namedCount);
    }
};

class ResourceTree {
  public:
    ResourceTree(const Image& image, std::uint32_t baseRva) : image_(image), baseRva_(baseRva) {}

    std::optional<Directory> ReadDirectory(std::uint32_t offset) const {
        std::array<std::uint8_t, kDirectoryHeaderBytes> header{};
        if (!image_.ReadRva(Rva(offset), header)) {
            return std::nullopt;
        }
        Directory directory;
        directory.namedCount = common::LoadLe16(header, 12);
        const std::size_t total = directory.namedCount + common::LoadLe16(header, 14);
        const std::uint64_t entriesRva = Rva(offset) + kDirectoryHeaderBytes;
        if (!image_.Holds(entriesRva, total * kDirectoryEntryBytes)) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> raw(total * kDirectoryEntryBytes);
        if (!image_.ReadRva(entriesRva, raw)) {
            return std::nullopt;
        }
        for (std::size_t at = 0; at < raw.size(); at += kDirectoryEntryBytes) {
            directory.entries.push_back({common::LoadLe32(raw, at), common::LoadLe32(raw, at + 4)});
        }
        return directory;
    }

    std::optional<std::vector<std::uint8_t>> ReadData(std::uint32_t dataEntryOffset) const {
        std::array<std::uint8_t, kDataEntryBytes> entry{};
        if (!image_.ReadRva(Rva(dataEntryOffset), entry)) {
            return std::nullopt;
        }
        const std::uint32_t size = std::min(common::LoadLe32(entry, 4), kMaxVersionResourceBytes);
        if (size == 0) {
            return std::nullopt;
        }
        const std::uint32_t dataRva = common::LoadLe32(entry, 0);
        if (!image_.Holds(dataRva, size)) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> data(size);
        if (!image_.ReadRva(dataRva, data)) {
            return std::nullopt;
        }
        return data;
    }

  private:
    // Offsets inside the tree count from the resource directory's start.
    std::uint64_t Rva(std::uint32_t offset) const { return std::uint64_t{baseRva_} + offset; }

    const Image& image_;
    std::uint32_t baseRva_;
};

const DirectoryEntry* FindId(std::span<const DirectoryEntry> entries, std::uint32_t id) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [id](const DirectoryEntry& e) { return e.name == id; });
    return found == entries.end() ? nullptr : &*found;
}

// The offset of a subdirectory, or std::nullopt when the entry is missing or is a leaf.
std::optional<std::uint32_t> SubdirectoryOf(const DirectoryEntry* entry) {
    if (entry == nullptr || (entry->target & kSubdirectoryFlag) == 0) {
        return std::nullopt;
    }
    return entry->target & ~kSubdirectoryFlag;
}

// The loader's order of preference among the languages of one resource.
const DirectoryEntry* ChooseLanguage(const Directory& languages, std::uint16_t systemLanguage) {
    constexpr std::uint16_t kNeutral = 0x0000;
    constexpr std::uint16_t kSublangNeutral = 0x00;
    constexpr std::uint16_t kSublangDefault = 0x01;
    const auto withSublanguage = [systemLanguage](std::uint16_t sublanguage) {
        return static_cast<std::uint16_t>((sublanguage << 10) | (systemLanguage & 0x3FF));
    };
    for (const std::uint16_t language :
         {kNeutral, systemLanguage, withSublanguage(kSublangNeutral),
          withSublanguage(kSublangDefault), kUsEnglishResourceLanguage}) {
        if (const DirectoryEntry* entry = FindId(languages.IdEntries(), language)) {
            return entry;
        }
    }
    return &languages.entries.front();
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadVersionResource(common::ByteSource& source,
                                                             std::uint16_t systemLanguage) {
    auto headers = ReadPeHeaders(source);
    if (!headers) {
        return std::nullopt;
    }
    const Image image(source, std::move(headers->sections));
    const ResourceTree tree(image, headers->resourceRva);

    // Exactly three levels - type, name, language - so a forged tree cannot make us loop.
    const auto types = tree.ReadDirectory(0);
    if (!types) {
        return std::nullopt;
    }
    const auto namesAt = SubdirectoryOf(FindId(types->IdEntries(), kVersionType));
    if (!namesAt) {
        return std::nullopt;
    }
    const auto names = tree.ReadDirectory(*namesAt);
    if (!names || names->entries.empty()) {
        return std::nullopt;
    }
    const DirectoryEntry* name = FindId(names->IdEntries(), kVersionName);
    const auto languagesAt = SubdirectoryOf(name != nullptr ? name : &names->entries.front());
    if (!languagesAt) {
        return std::nullopt;
    }
    const auto languages = tree.ReadDirectory(*languagesAt);
    if (!languages || languages->entries.empty()) {
        return std::nullopt;
    }
    // A leaf is expected here: a subdirectory flag is ignored rather than followed.
    return tree.ReadData(ChooseLanguage(*languages, systemLanguage)->target & ~kSubdirectoryFlag);
}

}  // namespace basFiles
