#include "importer/itunes/library/pe_image.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <utility>

#include "common/byte_order.h"

namespace itunes::library {

namespace {

constexpr std::uint32_t kPeHeaderBytes = 4 + 20;  // signature and COFF file header
constexpr std::uint32_t kSectionHeaderBytes = 40;
constexpr std::uint32_t kDataDirectoryCount = 16;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kTextRva = kSectionAlignment;
constexpr std::uint32_t kResourceRva = 2 * kSectionAlignment;

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kSubsystemWindowsGui = 2;

// Characteristics of the file and of its sections.
constexpr std::uint16_t kRelocsStripped = 0x0001;
constexpr std::uint16_t kExecutableImage = 0x0002;
constexpr std::uint16_t kLargeAddressAware = 0x0020;
constexpr std::uint16_t k32BitMachine = 0x0100;
constexpr std::uint16_t kDll = 0x2000;
constexpr std::uint32_t kCodeSection = 0x60000020;  // code, execute, read
constexpr std::uint32_t kDataSection = 0x40000040;  // initialised data, read

// xor eax, eax; ret - the process ends with exit code 0.
constexpr std::array<std::uint8_t, 3> kExecutableEntry = {0x31, 0xC0, 0xC3};
// mov eax, 1; ret 12 - DllMain(instance, reason, reserved) answers TRUE (stdcall).
constexpr std::array<std::uint8_t, 8> kLibraryEntry32 = {0xB8, 0x01, 0x00, 0x00,
                                                         0x00, 0xC2, 0x0C, 0x00};
// mov eax, 1; ret - the same under the x64 calling convention.
constexpr std::array<std::uint8_t, 6> kLibraryEntry64 = {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3};

// The classic real-mode stub that prints "This program cannot be run in DOS mode."
constexpr std::array<std::uint8_t, 64> kDosStub = {
    0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09, 0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21, 0x54, 0x68,
    0x69, 0x73, 0x20, 0x70, 0x72, 0x6F, 0x67, 0x72, 0x61, 0x6D, 0x20, 0x63, 0x61, 0x6E, 0x6E, 0x6F,
    0x74, 0x20, 0x62, 0x65, 0x20, 0x72, 0x75, 0x6E, 0x20, 0x69, 0x6E, 0x20, 0x44, 0x4F, 0x53, 0x20,
    0x6D, 0x6F, 0x64, 0x65, 0x2E, 0x0D, 0x0D, 0x0A, 0x24, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

class ByteBuffer {
  public:
    explicit ByteBuffer(std::size_t size) : bytes_(size, 0) {}

    // Values are cut to the field's width, as the format's fields take them.
    void Put16(std::size_t at, std::uint32_t value) {
        common::PutLe16(&bytes_[at], static_cast<std::uint16_t>(value));
    }
    void Put32(std::size_t at, std::uint64_t value) {
        common::PutLe32(&bytes_[at], static_cast<std::uint32_t>(value));
    }
    void Put64(std::size_t at, std::uint64_t value) { common::PutLe64(&bytes_[at], value); }
    void PutBytes(std::size_t at, std::span<const std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
    }

    std::vector<std::uint8_t>& Bytes() { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

// type -> name -> language -> resource; std::map keeps the ascending order that the loader's
// binary search of ID entries relies on.
using ResourceTree =
    std::map<std::uint16_t, std::map<std::uint16_t, std::map<std::uint16_t, const Resource*>>>;

// The .rsrc section's contents: all directories first, then the data entries, then the data,
// each resource's data 8-aligned.
std::vector<std::uint8_t> BuildResourceSection(std::span<const Resource> resources) {
    ResourceTree tree;
    for (const Resource& resource : resources) {
        tree[resource.type][resource.name].emplace(resource.language, &resource);
    }
    constexpr std::uint32_t kDirectoryBytes = 16;
    constexpr std::uint32_t kEntryBytes = 8;
    constexpr std::uint32_t kDataEntryBytes = 16;

    // First pass: where everything goes.
    std::uint32_t size = kDirectoryBytes + kEntryBytes * static_cast<std::uint32_t>(tree.size());
    std::map<std::uint16_t, std::uint32_t> typeDirectoryAt;
    std::map<std::pair<std::uint16_t, std::uint16_t>, std::uint32_t> nameDirectoryAt;
    std::map<const Resource*, std::uint32_t> dataEntryAt;
    std::map<const Resource*, std::uint32_t> dataAt;
    for (const auto& [type, names] : tree) {
        typeDirectoryAt[type] = size;
        size += kDirectoryBytes + kEntryBytes * static_cast<std::uint32_t>(names.size());
    }
    for (const auto& [type, names] : tree) {
        for (const auto& [name, languages] : names) {
            nameDirectoryAt[{type, name}] = size;
            size += kDirectoryBytes + kEntryBytes * static_cast<std::uint32_t>(languages.size());
        }
    }
    for (const auto& [type, names] : tree) {
        for (const auto& [name, languages] : names) {
            for (const auto& [language, resource] : languages) {
                dataEntryAt[resource] = size;
                size += kDataEntryBytes;
            }
        }
    }
    for (const auto& [resource, entryAt] : dataEntryAt) {
        size = AlignUp(size, 8);
        dataAt[resource] = size;
        size += static_cast<std::uint32_t>(resource->data.size());
    }

    // Second pass: write it.
    ByteBuffer out(size);
    constexpr std::uint32_t kSubdirectory = 0x80000000;
    const auto writeDirectory = [&out](std::uint32_t at, std::size_t idEntries) {
        out.Put16(at + 14, static_cast<std::uint32_t>(idEntries));  // no named entries
        return at + kDirectoryBytes;
    };
    std::uint32_t entry = writeDirectory(0, tree.size());
    for (const auto& [type, names] : tree) {
        out.Put32(entry, type);
        out.Put32(entry + 4, kSubdirectory | typeDirectoryAt[type]);
        entry += kEntryBytes;
        std::uint32_t nameEntry = writeDirectory(typeDirectoryAt[type], names.size());
        for (const auto& [name, languages] : names) {
            const std::uint32_t nameAt = nameDirectoryAt[{type, name}];
            out.Put32(nameEntry, name);
            out.Put32(nameEntry + 4, kSubdirectory | nameAt);
            nameEntry += kEntryBytes;
            std::uint32_t languageEntry = writeDirectory(nameAt, languages.size());
            for (const auto& [language, resource] : languages) {
                out.Put32(languageEntry, language);
                out.Put32(languageEntry + 4, dataEntryAt[resource]);
                languageEntry += kEntryBytes;
                out.Put32(dataEntryAt[resource], kResourceRva + dataAt[resource]);
                out.Put32(dataEntryAt[resource] + 4, resource->data.size());
                out.PutBytes(dataAt[resource], resource->data);
            }
        }
    }
    return std::move(out.Bytes());
}

// The PE checksum: 16-bit one's-complement sum of the file with the checksum field taken as
// 0, plus the file's length.
std::uint32_t PeChecksum(const std::vector<std::uint8_t>& image, std::size_t checksumAt) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 1 < image.size(); i += 2) {
        if (i == checksumAt || i == checksumAt + 2) {
            continue;
        }
        sum += common::LoadLe16(image, i);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    if (image.size() % 2 != 0) {
        sum += image.back();
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

struct SectionPlan {
    std::array<char, 8> name{};
    std::uint32_t rva = 0;
    std::uint32_t fileOffset = 0;
    std::span<const std::uint8_t> contents;
    std::uint32_t characteristics = 0;
};

}  // namespace

std::vector<std::uint8_t> BuildPeImage(std::span<const Resource> resources,
                                       const ImageOptions& options) {
    const bool plus = options.format == ImageFormat::Pe32Plus;
    const bool library = options.kind == ImageKind::Library;
    const std::uint32_t optionalHeaderBytes = (plus ? 112u : 96u) + 8 * kDataDirectoryCount;

    std::span<const std::uint8_t> code = kExecutableEntry;
    if (library) {
        code = plus ? std::span<const std::uint8_t>(kLibraryEntry64)
                    : std::span<const std::uint8_t>(kLibraryEntry32);
    }
    const std::vector<std::uint8_t> resourceSection =
        resources.empty() ? std::vector<std::uint8_t>{} : BuildResourceSection(resources);

    std::vector<SectionPlan> sections;
    const std::uint32_t sectionCount = resources.empty() ? 1 : 2;
    const std::uint32_t headerBytes =
        AlignUp(kNewHeaderOffset + kPeHeaderBytes + optionalHeaderBytes +
                    kSectionHeaderBytes * sectionCount,
                kFileAlignment);
    sections.push_back({{'.', 't', 'e', 'x', 't'}, kTextRva, headerBytes, code, kCodeSection});
    if (!resources.empty()) {
        sections.push_back({{'.', 'r', 's', 'r', 'c'},
                            kResourceRva,
                            headerBytes + kFileAlignment,
                            resourceSection,
                            kDataSection});
    }
    const SectionPlan& last = sections.back();
    const auto contentBytes = static_cast<std::uint32_t>(last.contents.size());
    const std::uint32_t fileSize = last.fileOffset + AlignUp(contentBytes, kFileAlignment);
    const std::uint32_t imageSize = last.rva + AlignUp(contentBytes, kSectionAlignment);

    ByteBuffer out(fileSize);
    out.Put16(0, 0x5A4D);  // "MZ"
    out.Put16(2, 0x90);    // bytes on the last page
    out.Put16(4, 3);       // pages
    out.Put16(8, 4);       // header paragraphs
    out.Put16(12, 0xFFFF);
    out.Put16(16, 0xB8);  // initial SP
    out.Put16(24, 0x40);  // relocation table
    out.Put32(0x3C, kNewHeaderOffset);
    out.PutBytes(0x40, kDosStub);

    const std::uint32_t pe = kNewHeaderOffset;
    out.Put32(pe, 0x00004550);  // "PE\0\0"
    out.Put16(pe + 4, plus ? kMachineAmd64 : kMachineI386);
    out.Put16(pe + 6, sectionCount);
    out.Put16(pe + 20, optionalHeaderBytes);
    std::uint32_t characteristics = kRelocsStripped | kExecutableImage;
    characteristics |= plus ? kLargeAddressAware : k32BitMachine;
    if (library) {
        characteristics |= kDll;
    }
    out.Put16(pe + 22, characteristics);

    const std::uint32_t opt = pe + kPeHeaderBytes;
    std::uint64_t imageBase = library ? 0x10000000 : 0x00400000;
    if (plus) {
        imageBase = library ? 0x180000000 : 0x140000000;
    }
    out.Put16(opt, plus ? 0x20B : 0x10B);
    out.Put16(opt + 2, 2);  // linker version 2.0
    out.Put32(opt + 4, AlignUp(static_cast<std::uint32_t>(code.size()), kFileAlignment));
    out.Put32(opt + 8, AlignUp(static_cast<std::uint32_t>(resourceSection.size()), kFileAlignment));
    out.Put32(opt + 16, kTextRva);  // entry point
    out.Put32(opt + 20, kTextRva);  // base of code
    if (plus) {
        out.Put64(opt + 24, imageBase);
    } else {
        out.Put32(opt + 24, kResourceRva);  // base of data
        out.Put32(opt + 28, imageBase);
    }
    out.Put32(opt + 32, kSectionAlignment);
    out.Put32(opt + 36, kFileAlignment);
    const std::uint16_t systemMajor = plus ? 6 : 5;
    const std::uint16_t systemMinor = plus ? 0 : 1;
    out.Put16(opt + 40, systemMajor);  // operating system version
    out.Put16(opt + 42, systemMinor);
    out.Put16(opt + 48, systemMajor);  // subsystem version
    out.Put16(opt + 50, systemMinor);
    out.Put32(opt + 56, imageSize);
    out.Put32(opt + 60, headerBytes);
    out.Put16(opt + 68, kSubsystemWindowsGui);
    constexpr std::uint32_t stackAndHeap = 72;  // stack reserve, commit, heap reserve, commit
    const std::uint32_t width = plus ? 8 : 4;
    const std::array<std::uint64_t, 4> reserveAndCommit = {0x100000, 0x1000, 0x100000, 0x1000};
    for (std::size_t i = 0; i < reserveAndCommit.size(); ++i) {
        const std::size_t at = stackAndHeap + i * width;
        if (plus) {
            out.Put64(opt + at, reserveAndCommit[i]);
        } else {
            out.Put32(opt + at, reserveAndCommit[i]);
        }
    }
    const std::uint32_t directories = plus ? 112 : 96;
    out.Put32(opt + directories - 4, kDataDirectoryCount);
    if (!resources.empty()) {
        out.Put32(opt + directories + 8 * kResourceDirectoryIndex, kResourceRva);
        out.Put32(opt + directories + 8 * kResourceDirectoryIndex + 4, resourceSection.size());
    }

    std::uint32_t header = opt + optionalHeaderBytes;
    for (const SectionPlan& section : sections) {
        const auto bytes = static_cast<std::uint32_t>(section.contents.size());
        out.PutBytes(header, std::span<const std::uint8_t>(
                                 reinterpret_cast<const std::uint8_t*>(section.name.data()), 8));
        out.Put32(header + 8, bytes);  // virtual size
        out.Put32(header + 12, section.rva);
        out.Put32(header + 16, AlignUp(bytes, kFileAlignment));
        out.Put32(header + 20, section.fileOffset);
        out.Put32(header + 36, section.characteristics);
        out.PutBytes(section.fileOffset, section.contents);
        header += kSectionHeaderBytes;
    }

    const std::uint32_t checksumAt = opt + 64;
    out.Put32(checksumAt, PeChecksum(out.Bytes(), checksumAt));
    return std::move(out.Bytes());
}

std::vector<std::uint8_t> BuildVersionedImage(const VersionInfo& info,
                                              const ImageOptions& options) {
    Resource version;
    version.data = BuildVersionInfoBlock(info);
    return BuildPeImage(std::span(&version, 1), options);
}

bool WriteFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

}  // namespace itunes::library
