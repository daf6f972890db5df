#include "packager/format/entry_header.h"

#include <algorithm>

#include "common/byte_order.h"

namespace packager::format {

std::optional<std::string_view> EntryHeader::Name() const {
    const auto end = std::find(name.begin(), name.end(), '\0');
    if (end == name.end()) {
        return std::nullopt;
    }
    return std::string_view(name.data(), static_cast<std::size_t>(end - name.begin()));
}

EntryHeader DecodeEntryHeader(std::span<const std::uint8_t, kEntryHeaderBytes> bytes) {
    EntryHeader header;
    std::transform(bytes.begin(), bytes.begin() + kEntryNameBytes, header.name.begin(),
                   [](std::uint8_t byte) { return static_cast<char>(byte); });
    header.size = common::LoadLe32(&bytes[kEntryNameBytes]);
    header.checkValue = common::LoadLe32(&bytes[kEntryNameBytes + 4]);
    return header;
}

std::array<std::uint8_t, kEntryHeaderBytes> EncodeEntryHeader(const EntryHeader& header) {
    std::array<std::uint8_t, kEntryHeaderBytes> bytes{};
    std::transform(header.name.begin(), header.name.end(), bytes.begin(),
                   [](char c) { return static_cast<std::uint8_t>(c); });
    common::PutLe32(&bytes[kEntryNameBytes], header.size);
    common::PutLe32(&bytes[kEntryNameBytes + 4], header.checkValue);
    return bytes;
}

}  // namespace packager::format
