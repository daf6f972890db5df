// Finding the payload behind the program's own image. The package is the stub executable,
// unchanged, followed directly by the payload; where the image ends depends on its format:
//
// PE (the Windows stub): the file starts with "MZ". The 16-bit little-endian value at offset
//   0x3C (the low half of e_lfanew) is the offset of the PE header; there 248 bytes are read -
//   signature, file header and a 224-byte optional header, none of them checked - and the
//   16-bit section count at offset 6 of them. A count of 0 fails. The section headers (40
//   bytes each) follow those 248 bytes directly; the payload begins at PointerToRawData
//   (offset 20) + SizeOfRawData (offset 16) of the LAST header in table order.
//
// ELF (the Linux stub): the file starts with "\x7F" "ELF", 32- or 64-bit, little-endian. The
//   payload begins where the image ends: the furthest of the end of the ELF header, of the
//   program header table, of the section header table, of every segment's file bytes
//   (p_offset + p_filesz) and of every section that occupies file bytes (sh_offset + sh_size;
//   not SHT_NOBITS). Extended numbering (e_shnum 0 with a section table, e_phnum 0xFFFF) is
//   refused, as are header entries smaller than the format's.
//
// Anything else is a corrupt package, as is any read that fails.
#pragma once

#include <cstdint>
#include <type_traits>

#include "common/byte_source.h"

namespace packager::format {

enum class LocateResult { Located, Failed, Cancelled };
enum class StubFormat { Unknown, Pe, Elf };

struct PayloadLocation {
    LocateResult result = LocateResult::Failed;
    StubFormat format = StubFormat::Unknown;  // known once the first bytes were read
    std::uint64_t offset = 0;                 // the payload's first byte, when located
};

// Answers true once the user has asked to cancel; an empty query never cancels. It only refers
// to the callable it was made from, which must outlive it (a lambda written in the call does),
// so that asking copies nothing and needs no memory.
class CancelQuery {
  public:
    CancelQuery() = default;
    // Implicit, so that a lambda is passed as it is written.
    template <typename Query>
    CancelQuery(Query&& query) requires(!std::is_same_v<std::remove_cvref_t<Query>, CancelQuery>)
        : query_(const_cast<void*>(static_cast<const void*>(&query))), ask_(&Ask<Query>) {}

    bool operator()() const { return ask_ != nullptr && ask_(query_); }

  private:
    template <typename Query>
    static bool Ask(void* query) {
        return static_cast<bool>((*static_cast<std::remove_reference_t<Query>*>(query))());
    }

    void* query_ = nullptr;
    bool (*ask_)(void*) = nullptr;
};

// Reads the stub's headers from offset 0, asking isCancelled before every step; the payload's
// reader starts at the offset found. Cancelled is no failure: it only stops.
PayloadLocation LocatePayload(common::ByteSource& source, const CancelQuery& isCancelled);

}  // namespace packager::format
