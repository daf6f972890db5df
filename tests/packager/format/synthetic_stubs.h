// Small stub images built byte by byte - a PE image of MZ header, PE headers and section table,
// and 32- or 64-bit little-endian ELF images - with every field the payload rules read under
// the test's control, including broken ones.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/byte_order.h"

namespace packager::format::testing_support {

using Bytes = std::vector<std::uint8_t>;

// Writes value's low `width` bytes little-endian at offset, growing the image as needed.
inline void Put(Bytes& image, std::uint64_t offset, std::uint64_t value, int width) {
    const auto at = static_cast<std::size_t>(offset);
    if (image.size() < at + static_cast<std::size_t>(width)) {
        image.resize(at + static_cast<std::size_t>(width));
    }
    for (int i = 0; i < width; ++i) {
        image[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Stub bytes that are not headers, so that a misplaced read shows.
inline Bytes Filled(std::size_t size) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 7));
    }
    return image;
}

struct PeSection {
    std::uint32_t pointerToRawData = 0;
    std::uint32_t sizeOfRawData = 0;
};

struct PeStubSpec {
    std::uint32_t peHeaderOffset = 0x80;          // where the PE headers are written
    std::optional<std::uint32_t> newHeaderField;  // e_lfanew as stored; peHeaderOffset when unset
    bool signature = true;
    std::uint16_t optionalHeaderBytes = 224;
    std::vector<PeSection> sections{{0x200, 0x200}, {0x400, 0x200}};
    std::optional<std::uint16_t> sectionCount;  // as stored; sections.size() when unset
    std::optional<std::size_t> fileSize;        // the last section's end when unset
};

inline std::uint64_t PeImageEnd(const PeStubSpec& spec) {
    const PeSection& last = spec.sections.back();
    return std::uint64_t{last.pointerToRawData} + last.sizeOfRawData;
}

inline Bytes BuildPeStub(const PeStubSpec& spec) {
    // Only as many bytes as the file will have (a section may claim to lie far beyond it).
    const std::uint64_t headersEnd = spec.peHeaderOffset + 248 + 40 * spec.sections.size();
    const std::uint64_t size =
        spec.fileSize.value_or(spec.sections.empty() ? headersEnd : PeImageEnd(spec));
    Bytes image = Filled(static_cast<std::size_t>(std::max(headersEnd, size)));
    std::fill(image.begin(), image.begin() + 0x40, 0);
    image[0] = 'M';
    image[1] = 'Z';
    Put(image, 0x3C, spec.newHeaderField.value_or(spec.peHeaderOffset), 4);

    const std::uint64_t nt = spec.peHeaderOffset;
    std::fill(image.begin() + static_cast<std::ptrdiff_t>(nt),
              image.begin() + static_cast<std::ptrdiff_t>(nt + 248), 0);
    if (spec.signature) {
        Put(image, nt, 0x00004550, 4);  // "PE\0\0"
    }
    Put(image, nt + 4, 0x014C, 2);  // i386
    Put(image, nt + 6, spec.sectionCount.value_or(static_cast<std::uint16_t>(spec.sections.size())),
        2);
    Put(image, nt + 20, spec.optionalHeaderBytes, 2);
    Put(image, nt + 22, 0x0102, 2);  // executable, 32-bit machine
    Put(image, nt + 24, 0x010B, 2);  // PE32 magic
    for (std::size_t i = 0; i < spec.sections.size(); ++i) {
        const std::uint64_t header = nt + 248 + 40 * i;
        std::fill(image.begin() + static_cast<std::ptrdiff_t>(header),
                  image.begin() + static_cast<std::ptrdiff_t>(header + 40), 0);
        Put(image, header, 0x747865742E, 5);  // ".text"
        Put(image, header + 16, spec.sections[i].sizeOfRawData, 4);
        Put(image, header + 20, spec.sections[i].pointerToRawData, 4);
    }
    if (spec.fileSize) {
        image.resize(*spec.fileSize, 0);
    }
    return image;
}

struct ElfSegment {
    std::uint32_t type = 1;  // PT_LOAD
    std::uint64_t offset = 0;
    std::uint64_t fileSize = 0;
};

struct ElfSection {
    std::uint32_t type = 1;  // SHT_PROGBITS
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

struct ElfStubSpec {
    bool is64 = true;
    std::uint8_t byteOrder = 1;  // little-endian
    std::uint64_t programOffset = 0;
    std::vector<ElfSegment> segments;
    std::uint64_t sectionOffset = 0;
    std::vector<ElfSection> sections;
    std::optional<std::uint16_t> programEntryBytes;  // the class's size when unset
    std::optional<std::uint16_t> sectionEntryBytes;
    std::optional<std::uint16_t> programCount;  // as stored; the vector's size when unset
    std::optional<std::uint16_t> sectionCount;
    std::optional<std::size_t> fileSize;  // as far as the parts reach when unset
};

inline std::uint16_t HeaderBytes(bool is64) {
    return is64 ? 64 : 52;
}
inline std::uint16_t ProgramEntryBytes(bool is64) {
    return is64 ? 56 : 32;
}
inline std::uint16_t SectionEntryBytes(bool is64) {
    return is64 ? 64 : 40;
}

// What a linker writes: headers and segments first, sections, the section table last.
inline ElfStubSpec TypicalElf(bool is64) {
    ElfStubSpec spec;
    spec.is64 = is64;
    spec.programOffset = HeaderBytes(is64);
    spec.segments = {{1, 0, 0x300}, {1, 0x300, 0x100}, {4, 0x200, 0x20}};
    spec.sections = {{0, 0, 0}, {1, 0x100, 0x300}, {8, 0x400, 0x10000}, {3, 0x400, 0x40}};
    spec.sectionOffset = 0x440;
    return spec;
}

inline std::uint64_t ElfSectionTableEnd(const ElfStubSpec& spec) {
    return spec.sectionOffset +
           spec.sections.size() * spec.sectionEntryBytes.value_or(SectionEntryBytes(spec.is64));
}

inline Bytes BuildElfStub(const ElfStubSpec& spec) {
    const bool is64 = spec.is64;
    const int word = is64 ? 8 : 4;
    const std::uint16_t programBytes = spec.programEntryBytes.value_or(ProgramEntryBytes(is64));
    const std::uint16_t sectionBytes = spec.sectionEntryBytes.value_or(SectionEntryBytes(is64));

    // As far as the parts reach, unless the file is to end elsewhere (a part may claim to lie
    // far beyond it).
    std::uint64_t reach = HeaderBytes(is64);
    reach = std::max(reach, spec.programOffset + spec.segments.size() * programBytes);
    reach = std::max(reach, spec.sectionOffset + spec.sections.size() * sectionBytes);
    if (!spec.fileSize) {
        for (const ElfSegment& s : spec.segments) {
            reach = std::max(reach, s.offset + s.fileSize);
        }
        for (const ElfSection& s : spec.sections) {
            reach = std::max(reach, s.type == 8 ? 0 : s.offset + s.size);
        }
    }
    Bytes image = Filled(static_cast<std::size_t>(reach));
    std::fill(image.begin(), image.begin() + HeaderBytes(is64), 0);

    const std::uint8_t ident[] = {
        0x7F, 'E', 'L', 'F', static_cast<std::uint8_t>(is64 ? 2 : 1), spec.byteOrder, 1};
    std::copy(std::begin(ident), std::end(ident), image.begin());
    Put(image, 16, 2, 2);                        // ET_EXEC
    Put(image, 18, is64 ? 62 : 3, 2);            // x86-64, i386
    Put(image, 20, 1, 4);                        // EV_CURRENT
    const std::uint64_t sizes = is64 ? 52 : 40;  // e_ehsize and the fields after it
    Put(image, is64 ? 32 : 28, spec.programOffset, word);
    Put(image, is64 ? 40 : 32, spec.sectionOffset, word);
    Put(image, sizes, HeaderBytes(is64), 2);
    Put(image, sizes + 2, programBytes, 2);
    Put(image, sizes + 4,
        spec.programCount.value_or(static_cast<std::uint16_t>(spec.segments.size())), 2);
    Put(image, sizes + 6, sectionBytes, 2);
    Put(image, sizes + 8,
        spec.sectionCount.value_or(static_cast<std::uint16_t>(spec.sections.size())), 2);

    for (std::size_t i = 0; i < spec.segments.size(); ++i) {
        const std::uint64_t at = spec.programOffset + i * programBytes;
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(at), programBytes, 0);
        Put(image, at, spec.segments[i].type, 4);
        Put(image, at + (is64 ? 8 : 4), spec.segments[i].offset, word);
        Put(image, at + (is64 ? 32 : 16), spec.segments[i].fileSize, word);
    }
    for (std::size_t i = 0; i < spec.sections.size(); ++i) {
        const std::uint64_t at = spec.sectionOffset + i * sectionBytes;
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(at), sectionBytes, 0);
        Put(image, at + 4, spec.sections[i].type, 4);
        Put(image, at + (is64 ? 24 : 16), spec.sections[i].offset, word);
        Put(image, at + (is64 ? 32 : 20), spec.sections[i].size, word);
    }
    if (spec.fileSize) {
        image.resize(*spec.fileSize, 0);
    }
    return image;
}

}  // namespace packager::format::testing_support
