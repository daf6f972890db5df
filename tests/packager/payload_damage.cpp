#include "tests/packager/payload_damage.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "common/byte_order.h"
#include "packager/format/entry_header.h"
#include "packager/package_worker.h"

namespace packager::testing_support {

namespace {

using packager::format::kEntryCountBytes;
using packager::format::kEntryHeaderBytes;
using packager::format::kEntryNameBytes;

struct PartRange {
    PayloadPart part;
    const char* label;
    std::size_t begin;  // within the entry, from its header's first byte
};

constexpr PartRange kEntryParts[] = {
    {PayloadPart::Name, "name", 0},
    {PayloadPart::Size, "size", kEntryNameBytes},
    {PayloadPart::CheckValue, "check value", kEntryNameBytes + 4},
    {PayloadPart::Data, "data", kEntryHeaderBytes},
};

const char* Label(PayloadPart part) {
    for (const PartRange& range : kEntryParts) {
        if (range.part == part) {
            return range.label;
        }
    }
    return "count";
}

PayloadDamage Flip(std::size_t offset) {
    return {PayloadDamage::Kind::Flip, offset};
}

}  // namespace

PayloadLayout::PayloadLayout(std::vector<EntryShape> entries) : entries_(std::move(entries)) {}

std::size_t PayloadLayout::Size() const {
    return HeaderOffset(entries_.size());
}

std::size_t PayloadLayout::HeaderOffset(std::size_t entry) const {
    std::size_t offset = kEntryCountBytes;
    for (std::size_t i = 0; i < entry; ++i) {
        offset += kEntryHeaderBytes + entries_[i].size;
    }
    return offset;
}

std::size_t PayloadLayout::OffsetOf(const PayloadSpot& spot) const {
    if (spot.part == PayloadPart::Count) {
        return spot.at;
    }
    const auto range = std::find_if(std::begin(kEntryParts), std::end(kEntryParts),
                                    [&](const PartRange& r) { return r.part == spot.part; });
    return HeaderOffset(spot.entry) + range->begin + spot.at;
}

PayloadSpot PayloadLayout::SpotOf(std::size_t offset) const {
    if (offset < kEntryCountBytes) {
        return {PayloadPart::Count, 0, offset};
    }
    std::size_t entry = 0;
    while (entry + 1 < entries_.size() && offset >= HeaderOffset(entry + 1)) {
        ++entry;
    }
    const std::size_t within = offset - HeaderOffset(entry);
    const PartRange* range = std::begin(kEntryParts);
    for (const PartRange& r : kEntryParts) {
        if (within >= r.begin) {
            range = &r;
        }
    }
    return {range->part, entry, within - range->begin};
}

std::vector<PayloadDamage> PayloadLayout::EveryDamage() const {
    std::vector<PayloadDamage> damages;
    for (std::size_t offset = 0; offset < Size(); ++offset) {
        damages.push_back(Flip(offset));
    }
    for (std::size_t kept = 0; kept < Size(); ++kept) {
        damages.push_back({PayloadDamage::Kind::Cut, kept});
    }
    const std::vector<PayloadDamage> counts = OtherCounts();
    damages.insert(damages.end(), counts.begin(), counts.end());
    return damages;
}

std::vector<PayloadDamage> PayloadLayout::OtherCounts() const {
    std::vector<PayloadDamage> counts;
    for (const std::size_t count :
         {std::size_t{0}, std::size_t{1}, entries_.size() + 1, std::size_t{0xFFFFFFFF}}) {
        counts.push_back({PayloadDamage::Kind::Count, count});
    }
    return counts;
}

std::vector<PayloadDamage> PayloadLayout::Sample() const {
    std::vector<PayloadDamage> sample = {Flip(0)};
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        // Each header field of each entry, a different byte of each; the middle of the data.
        sample.push_back(Flip(OffsetOf({PayloadPart::Name, i, 0})));
        sample.push_back(Flip(OffsetOf({PayloadPart::Size, i, i % 4})));
        sample.push_back(Flip(OffsetOf({PayloadPart::CheckValue, i, 3 - i % 4})));
        if (entries_[i].size > 0) {
            sample.push_back(Flip(OffsetOf({PayloadPart::Data, i, entries_[i].size / 2})));
        }
    }
    // The name bytes that leave a plain file name: padding after the NUL, the NUL itself.
    sample.push_back(Flip(OffsetOf({PayloadPart::Name, 0, kEntryNameBytes - 1})));
    sample.push_back(Flip(OffsetOf({PayloadPart::Name, 1, entries_[1].name.size()})));
    sample.push_back({PayloadDamage::Kind::Cut, Size() / 2});
    sample.push_back({PayloadDamage::Kind::Cut, Size() - 1});
    const std::vector<PayloadDamage> counts = OtherCounts();
    sample.insert(sample.end(), counts.begin(), counts.end());
    return sample;
}

ExpectedRun PayloadLayout::Expect(const PayloadDamage& damage) const {
    switch (damage.kind) {
        case PayloadDamage::Kind::Count:
            return WithCount(damage.value);
        case PayloadDamage::Kind::Cut:
            // Every byte of the payload is read: any shorter one is an incomplete package.
            return {RunResult::ExtractionFailure, {}};
        case PayloadDamage::Kind::Flip:
            break;
    }
    const PayloadSpot spot = SpotOf(damage.value);
    switch (spot.part) {
        case PayloadPart::Count:
            return WithCount(entries_.size() ^ (std::size_t{0xFF} << (8 * spot.at)));
        case PayloadPart::Name:
            return WithName(spot);
        case PayloadPart::Size:
        case PayloadPart::CheckValue:
        case PayloadPart::Data:
            // CRC-32 finds every error within 32 bits; another size makes other bytes the
            // entry's data, or runs past the end.
            break;
    }
    return {RunResult::ExtractionFailure, {}};
}

ExpectedRun PayloadLayout::WithCount(std::size_t count) const {
    // The header after the last entry is not there.
    if (count > entries_.size()) {
        return {RunResult::ExtractionFailure, {}};
    }
    // Entries past the count are never read: what they hold does not matter.
    std::vector<std::string> files;
    for (std::size_t i = 0; i < count; ++i) {
        files.push_back(entries_[i].name);
    }
    if (std::find(files.begin(), files.end(), kSetupProgramName) == files.end()) {
        return {RunResult::SetupFailure, {}};
    }
    std::sort(files.begin(), files.end());
    return {RunResult::Installs, files};
}

ExpectedRun PayloadLayout::WithName(const PayloadSpot& spot) const {
    std::vector<EntryShape> renamed = entries_;
    std::string& name = renamed[spot.entry].name;
    // The bytes after the terminating NUL are no part of the name.
    if (spot.at < name.size()) {
        name[spot.at] = static_cast<char>(~name[spot.at]);
    } else if (spot.at == name.size()) {
        name.push_back('\xFF');
    }
    return PayloadLayout(renamed).WithCount(renamed.size());
}

std::string PayloadLayout::Describe(const PayloadDamage& damage) const {
    const std::string value = std::to_string(damage.value);
    switch (damage.kind) {
        case PayloadDamage::Kind::Count:
            return "count " + value;
        case PayloadDamage::Kind::Cut:
            return "cut to " + value + " of " + std::to_string(Size()) + " bytes";
        case PayloadDamage::Kind::Flip:
            break;
    }
    const PayloadSpot spot = SpotOf(damage.value);
    std::string text =
        "flip of " + std::string(Label(spot.part)) + " byte " + std::to_string(spot.at);
    if (spot.part != PayloadPart::Count) {
        text += " of " + entries_[spot.entry].name;
    }
    return text;
}

void PrintTo(const PayloadDamage& damage, std::ostream* out) {
    constexpr const char* kKinds[] = {"flip at", "cut to", "count"};
    *out << kKinds[static_cast<int>(damage.kind)] << " " << damage.value;
}

void Apply(const PayloadDamage& damage, Bytes& package, std::size_t payloadOffset) {
    switch (damage.kind) {
        case PayloadDamage::Kind::Flip:
            package[payloadOffset + damage.value] ^= 0xFF;
            break;
        case PayloadDamage::Kind::Cut:
            package.resize(payloadOffset + damage.value);
            break;
        case PayloadDamage::Kind::Count:
            common::PutLe32(&package[payloadOffset], static_cast<std::uint32_t>(damage.value));
            break;
    }
}

std::string TestName(const PayloadLayout& layout, const PayloadDamage& damage) {
    std::string name;
    for (const char c : layout.Describe(damage)) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name.push_back(c);
        } else if (name.empty() || name.back() != '_') {
            name.push_back('_');
        }
    }
    return name;
}

}  // namespace packager::testing_support
