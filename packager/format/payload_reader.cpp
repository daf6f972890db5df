#include "packager/format/payload_reader.h"

#include <algorithm>
#include <array>

#include "common/byte_order.h"

namespace packager::format {

std::optional<std::uint32_t> PayloadReader::ReadEntryCount() {
    std::array<std::uint8_t, kEntryCountBytes> count{};
    if (countRead_ || !reader_.Read(count)) {
        return std::nullopt;
    }
    countRead_ = true;
    entriesLeft_ = common::LoadLe32(count.data());
    return entriesLeft_;
}

std::optional<EntryHeader> PayloadReader::ReadEntryHeader() {
    if (entriesLeft_ == 0) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 4096> skipped{};
    while (remaining_ > 0) {
        if (!ReadEntryData(std::span(skipped.data(), std::min<std::size_t>(remaining_, 4096)))) {
            return std::nullopt;
        }
    }
    std::array<std::uint8_t, kEntryHeaderBytes> bytes{};
    if (!reader_.Read(bytes)) {
        return std::nullopt;
    }
    --entriesLeft_;
    EntryHeader header = DecodeEntryHeader(bytes);
    remaining_ = header.size;
    return header;
}

bool PayloadReader::ReadEntryData(std::span<std::uint8_t> out) {
    if (out.size() > remaining_ || !reader_.Read(out)) {
        return false;
    }
    remaining_ -= static_cast<std::uint32_t>(out.size());
    return true;
}

}  // namespace packager::format
