// Reading the payload from its first byte on (see LocatePayload): the entry count, then each
// entry's header and data in stored order. Every read must deliver exactly
// the bytes asked for; a short read is a failure - an incomplete package.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "common/byte_source.h"
#include "packager/format/entry_header.h"

namespace packager::format {

class PayloadReader {
  public:
    // The payload begins at payloadOffset of the source.
    explicit PayloadReader(common::ByteSource& source, std::uint64_t payloadOffset = 0)
        : reader_(source, payloadOffset) {}

    // entryCount; read once, before the first header.
    std::optional<std::uint32_t> ReadEntryCount();

    // The next entry's header; fails once all counted entries were read. Data of the current
    // entry that was not read is read past first.
    std::optional<EntryHeader> ReadEntryHeader();

    // The next out.size() data bytes of the current entry; false when the entry has fewer left
    // or the source ends early.
    bool ReadEntryData(std::span<std::uint8_t> out);

    std::uint32_t RemainingEntryBytes() const { return remaining_; }

  private:
    common::ByteReader reader_;
    bool countRead_ = false;
    std::uint32_t entriesLeft_ = 0;
    std::uint32_t remaining_ = 0;
};

}  // namespace packager::format
