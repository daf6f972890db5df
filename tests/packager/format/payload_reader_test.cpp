#include "packager/format/payload_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/byte_order.h"
#include "packager/format/check_value.h"
#include "packager/format/entry_header.h"

namespace packager::format::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct StoredEntry {
    std::string name;
    Bytes data;
};

EntryHeader HeaderOf(const StoredEntry& entry) {
    EntryHeader header;
    std::copy(entry.name.begin(), entry.name.end(), header.name.begin());
    header.size = static_cast<std::uint32_t>(entry.data.size());
    header.checkValue = ComputeCheckValue(entry.data);
    return header;
}

// The payload laid out by hand: count, then header and data per entry.
Bytes PayloadOf(const std::vector<StoredEntry>& entries) {
    const auto count = common::Le32Bytes(static_cast<std::uint32_t>(entries.size()));
    Bytes payload(count.begin(), count.end());
    for (const StoredEntry& entry : entries) {
        const auto header = EncodeEntryHeader(HeaderOf(entry));
        payload.insert(payload.end(), header.begin(), header.end());
        payload.insert(payload.end(), entry.data.begin(), entry.data.end());
    }
    return payload;
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 13);
    }
    return bytes;
}

const std::vector<StoredEntry>& ThreeEntries() {
    static const std::vector<StoredEntry> entries = {
        {"Plumex.CAB", Pattern(40'000, 1)}, {"setup.exe", Pattern(16'384, 2)}, {"SETUP.LST", {}}};
    return entries;
}

// Reads everything the way the worker does, in blocks of 16,384 bytes, and gives the entries
// back; std::nullopt at the first failed read.
std::optional<std::vector<StoredEntry>> ReadAll(common::ByteSource& source) {
    PayloadReader reader(source);
    const auto count = reader.ReadEntryCount();
    if (!count) {
        return std::nullopt;
    }
    std::vector<StoredEntry> entries;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto header = reader.ReadEntryHeader();
        if (!header || !header->Name()) {
            return std::nullopt;
        }
        StoredEntry entry{std::string(*header->Name()), {}};
        while (reader.RemainingEntryBytes() > 0) {
            Bytes block(std::min<std::uint32_t>(reader.RemainingEntryBytes(), 16'384));
            if (!reader.ReadEntryData(block)) {
                return std::nullopt;
            }
            entry.data.insert(entry.data.end(), block.begin(), block.end());
        }
        if (ComputeCheckValue(entry.data) != header->checkValue) {
            return std::nullopt;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool operator==(const StoredEntry& a, const StoredEntry& b) {
    return a.name == b.name && a.data == b.data;
}

TEST(EntryHeader, IsLittleEndianWithoutPadding) {
    EntryHeader header;
    header.name[0] = 'a';
    header.size = 0x01020304;
    header.checkValue = 0xA1B2C3D4;
    const auto bytes = EncodeEntryHeader(header);
    ASSERT_EQ(bytes.size(), 268u);
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ((Bytes{bytes.begin() + 260, bytes.end()}),
              (Bytes{0x04, 0x03, 0x02, 0x01, 0xD4, 0xC3, 0xB2, 0xA1}));
    const EntryHeader decoded = DecodeEntryHeader(bytes);
    EXPECT_EQ(decoded.Name(), "a");
    EXPECT_EQ(decoded.size, header.size);
    EXPECT_EQ(decoded.checkValue, header.checkValue);
}

TEST(PayloadReader, ReadsEveryEntryBack) {
    const Bytes payload = PayloadOf(ThreeEntries());
    common::MemoryByteSource source(payload);
    EXPECT_EQ(ReadAll(source), ThreeEntries());
}

TEST(PayloadReader, BytesAfterTheLastEntryChangeNothing) {
    Bytes payload = PayloadOf(ThreeEntries());
    payload.insert(payload.end(), 1000, 0x5A);
    common::MemoryByteSource source(payload);
    EXPECT_EQ(ReadAll(source), ThreeEntries());
}

TEST(PayloadReader, CountOfZeroHasNoEntries) {
    const Bytes payload = PayloadOf({});
    common::MemoryByteSource source(payload);
    PayloadReader reader(source);
    EXPECT_EQ(reader.ReadEntryCount(), 0u);
    EXPECT_FALSE(reader.ReadEntryHeader().has_value());
}

TEST(PayloadReader, EmptyEntryHasCheckValueZero) {
    const Bytes payload = PayloadOf({{"empty.txt", {}}});
    common::MemoryByteSource source(payload);
    PayloadReader reader(source);
    ASSERT_EQ(reader.ReadEntryCount(), 1u);
    const auto header = reader.ReadEntryHeader();
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->size, 0u);
    EXPECT_EQ(header->checkValue, 0u);
}

// The file ends at every byte of the payload in turn: some read must fail, never a short one
// pass as complete.
TEST(PayloadReader, EveryCutIsAFailedRead) {
    const Bytes payload = PayloadOf({{"a.bin", Pattern(300, 3)}, {"b.bin", Pattern(20, 4)}});
    for (std::size_t cut = 0; cut < payload.size(); ++cut) {
        const Bytes shortPayload(payload.begin(),
                                 payload.begin() + static_cast<std::ptrdiff_t>(cut));
        common::MemoryByteSource source(shortPayload);
        EXPECT_FALSE(ReadAll(source).has_value()) << "cut at " << cut;
    }
}

TEST(PayloadReader, CutLastEntryFailsAfterTheEarlierOnesWereRead) {
    Bytes payload = PayloadOf(ThreeEntries());
    payload.resize(payload.size() - 268 - 1);  // into the data of the second entry
    common::MemoryByteSource source(payload);
    PayloadReader reader(source);
    ASSERT_EQ(reader.ReadEntryCount(), 3u);
    ASSERT_TRUE(reader.ReadEntryHeader().has_value());
    Bytes first(40'000);
    EXPECT_TRUE(reader.ReadEntryData(first));
    ASSERT_TRUE(reader.ReadEntryHeader().has_value());
    Bytes second(16'384);
    EXPECT_FALSE(reader.ReadEntryData(second));
}

TEST(PayloadReader, NeverReadsPastTheCurrentEntry) {
    const Bytes payload = PayloadOf({{"a.bin", Pattern(10, 5)}, {"b.bin", Pattern(10, 6)}});
    common::MemoryByteSource source(payload);
    PayloadReader reader(source);
    ASSERT_EQ(reader.ReadEntryCount(), 2u);
    ASSERT_TRUE(reader.ReadEntryHeader().has_value());
    Bytes tooMuch(11);
    EXPECT_FALSE(reader.ReadEntryData(tooMuch));
    Bytes some(4);
    EXPECT_TRUE(reader.ReadEntryData(some));
    EXPECT_EQ(reader.RemainingEntryBytes(), 6u);

    // The rest of the first entry is read past on the way to the second header.
    const auto second = reader.ReadEntryHeader();
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->Name(), "b.bin");
    Bytes data(10);
    EXPECT_TRUE(reader.ReadEntryData(data));
    EXPECT_EQ(data, Pattern(10, 6));
    EXPECT_FALSE(reader.ReadEntryHeader().has_value()) << "only two entries were counted";
}

TEST(PayloadReader, AFlippedDataByteFailsTheCheck) {
    Bytes payload = PayloadOf(ThreeEntries());
    payload[4 + 268 + 40'000 + 268 + 100] ^= 0x01;  // in the second entry's data
    common::MemoryByteSource source(payload);
    EXPECT_FALSE(ReadAll(source).has_value());
}

}  // namespace
}  // namespace packager::format::test
