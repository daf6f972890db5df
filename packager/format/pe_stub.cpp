// The PE rule of locating the payload (see locate_payload.h). It reads only what the rule
// names and checks nothing else, so that every stub the Windows program accepts is accepted
// here too.
#include <array>

#include "common/byte_order.h"
#include "packager/format/stub_rules.h"

namespace packager::format::stub {

namespace {

constexpr std::size_t kDosHeaderRest = 64;         // file offsets 2 to 65
constexpr std::size_t kNewHeaderField = 0x3C - 2;  // e_lfanew, counted from offset 2
constexpr std::size_t kNtHeadersBytes = 248;       // signature, file header, 224-byte optional
constexpr std::size_t kSectionCountField = 6;
constexpr std::size_t kSectionHeaderBytes = 40;
constexpr std::size_t kSizeOfRawDataField = 16;
constexpr std::size_t kPointerToRawDataField = 20;

}  // namespace

ImageEnd PeImageEnd(common::ByteReader& reader, const CancelQuery& isCancelled) {
    if (Cancelled(isCancelled)) {
        return kCancelled;
    }
    std::array<std::uint8_t, kDosHeaderRest> dosHeader{};
    if (!reader.Read(dosHeader)) {
        return kFailed;
    }
    // Only the low 16 bits of the 32-bit field count.
    const std::uint16_t peHeaderOffset = common::LoadLe16(&dosHeader[kNewHeaderField]);

    if (Cancelled(isCancelled)) {
        return kCancelled;
    }
    reader.Seek(peHeaderOffset);

    if (Cancelled(isCancelled)) {
        return kCancelled;
    }
    std::array<std::uint8_t, kNtHeadersBytes> ntHeaders{};
    if (!reader.Read(ntHeaders)) {
        return kFailed;
    }

    if (Cancelled(isCancelled)) {
        return kCancelled;
    }
    const std::uint16_t sectionCount = common::LoadLe16(&ntHeaders[kSectionCountField]);
    if (sectionCount == 0) {
        return kFailed;
    }

    // The whole table is read, header by header, and the last one kept.
    if (Cancelled(isCancelled)) {
        return kCancelled;
    }
    std::array<std::uint8_t, kSectionHeaderBytes> section{};
    for (unsigned i = 0; i < sectionCount; ++i) {
        if (!reader.Read(section)) {
            return kFailed;
        }
    }
    const std::uint64_t end =
        static_cast<std::uint64_t>(common::LoadLe32(&section[kPointerToRawDataField])) +
        common::LoadLe32(&section[kSizeOfRawDataField]);
    return {LocateResult::Located, end};
}

}  // namespace packager::format::stub
