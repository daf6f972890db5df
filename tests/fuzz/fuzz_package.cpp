// Feeds arbitrary bytes to VEXOSetup's reading of its own file: the payload is located behind
// the stub (PE or ELF), then every entry is read the way the worker does - its path built
// under a temporary folder, its data in blocks of 16,384 bytes, its check value compared. The
// same bytes also go through the package writer's stub check, a locate that is cancelled at a
// step chosen by the input, and every check-value method, which must agree with the table rule.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "common/byte_source.h"
#include "packager/format/check_value.h"
#include "packager/format/crc_methods.h"
#include "packager/format/entry_name.h"
#include "packager/format/locate_payload.h"
#include "packager/format/payload_reader.h"
#include "tools/packagewriter/package_writer.h"

namespace {

void ExtractLikeTheWorker(common::ByteSource& source, std::uint64_t payloadOffset) {
    packager::format::PayloadReader reader(source, payloadOffset);
    const auto count = reader.ReadEntryCount();
    if (!count) {
        return;
    }
    static std::array<std::uint8_t, 16'384> block;
    static std::array<char, packager::format::kPathBufferBytes> path;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto header = reader.ReadEntryHeader();
        if (!header || !packager::format::EntryPath("/tmp/SFXfuzz", *header, path)) {
            return;
        }
        packager::format::CheckValue check;
        while (reader.RemainingEntryBytes() > 0) {
            const std::span<std::uint8_t> part(
                block.data(), std::min<std::size_t>(block.size(), reader.RemainingEntryBytes()));
            if (!reader.ReadEntryData(part)) {
                return;
            }
            check.Update(part);
        }
        if (check.Finish() != header->checkValue) {
            return;
        }
    }
}

// Cancelling at the n-th asking either stops the locate or, when it asks fewer times, changes
// nothing.
void CancelAtAChosenStep(std::span<const std::uint8_t> bytes,
                         const packager::format::PayloadLocation& uncancelled) {
    if (bytes.empty()) {
        return;
    }
    const int cancelAt = 1 + bytes[0] % 8;
    int asked = 0;
    common::MemoryByteSource source(bytes);
    const packager::format::PayloadLocation location =
        packager::format::LocatePayload(source, [&] { return ++asked == cancelAt; });
    if (asked == cancelAt
            ? location.result != packager::format::LocateResult::Cancelled
            : location.result != uncancelled.result || location.offset != uncancelled.offset) {
        std::abort();
    }
}

void EveryMethodAgrees(std::span<const std::uint8_t> bytes) {
    const std::uint32_t start = bytes.size() >= 4 ? bytes[1] * 0x01010101u : 0xFFFFFFFFu;
    const std::uint32_t reference =
        packager::format::UpdateCheckRegister(packager::format::CrcMethod::Table, start, bytes);
    for (packager::format::CrcMethod method : packager::format::kAllCrcMethods) {
        if (packager::format::CrcMethodAvailable(method) &&
            packager::format::UpdateCheckRegister(method, start, bytes) != reference) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    common::MemoryByteSource source(bytes);
    const packager::format::PayloadLocation location = packager::format::LocatePayload(source, {});
    if (location.result == packager::format::LocateResult::Located) {
        ExtractLikeTheWorker(source, location.offset);
    }
    CancelAtAChosenStep(bytes, location);
    (void)packagewriter::CheckStub(bytes);
    EveryMethodAgrees(bytes);
    return 0;
}
