#include "tests/packager/test_packages.h"

#include <algorithm>

#include "common/byte_order.h"
#include "packager/format/check_value.h"
#include "packager/format/entry_header.h"

namespace packager::testing_support {

namespace {

constexpr std::size_t kPeHeader = 0x40;
constexpr std::size_t kSectionTable = kPeHeader + 248;
constexpr std::uint32_t kRawData = 0x200;
constexpr std::uint32_t kRawSize = 0x200;

void Append(Bytes& to, const Bytes& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace

Bytes MinimalPeStub() {
    Bytes stub = PatternBytes(kRawData + kRawSize, 0x5A);
    std::fill(stub.begin(), stub.begin() + static_cast<std::ptrdiff_t>(kSectionTable + 40), 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    common::PutLe32(&stub[0x3C], kPeHeader);
    common::PutLe32(&stub[kPeHeader], 0x00004550);   // "PE\0\0"
    common::PutLe16(&stub[kPeHeader + 4], 0x014C);   // i386
    common::PutLe16(&stub[kPeHeader + 6], 1);        // one section
    common::PutLe16(&stub[kPeHeader + 20], 224);     // a 32-bit optional header
    common::PutLe16(&stub[kPeHeader + 24], 0x010B);  // PE32
    common::PutLe32(&stub[kSectionTable + 16], kRawSize);
    common::PutLe32(&stub[kSectionTable + 20], kRawData);
    return stub;
}

Bytes PatternBytes(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    std::uint32_t state = 0x9E3779B9u ^ seed;
    for (std::uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

BuiltPackage BuildPackage(const std::vector<TestEntry>& entries, const Bytes& stub) {
    BuiltPackage package;
    package.bytes = stub;
    package.payloadOffset = stub.size();
    Bytes count(4);
    common::PutLe32(count.data(), static_cast<std::uint32_t>(entries.size()));
    Append(package.bytes, count);
    for (const TestEntry& entry : entries) {
        packager::format::EntryHeader header;
        std::copy_n(entry.name.begin(), std::min(entry.name.size(), header.name.size()),
                    header.name.begin());
        header.size = static_cast<std::uint32_t>(entry.data.size());
        header.checkValue =
            entry.checkValue.value_or(packager::format::ComputeCheckValue(entry.data));
        const auto encoded = packager::format::EncodeEntryHeader(header);
        package.bytes.insert(package.bytes.end(), encoded.begin(), encoded.end());
        package.dataOffsets.push_back(package.bytes.size());
        Append(package.bytes, entry.data);
    }
    return package;
}

BuiltPackage BuildPackage(const std::vector<TestEntry>& entries) {
    return BuildPackage(entries, MinimalPeStub());
}

}  // namespace packager::testing_support
