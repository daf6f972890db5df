// Damage done to a package's payload - one byte complemented, the payload cut short, another
// entry count - and what VEXOSetup must then do by the payload's layout, for the corrupt-package
// tests of the worker and of the real program. Entry names must be ASCII and shorter than 259
// bytes, so that a complemented name byte is never a NUL, a separator, a dot or a blank, and the
// name field keeps a NUL after a complemented terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace packager::testing_support {

using Bytes = std::vector<std::uint8_t>;

struct EntryShape {
    std::string name;
    std::uint32_t size = 0;  // data bytes
};

template <typename Entry>  // TestEntry, NamedData: a name and its data
std::vector<EntryShape> ShapesOf(const std::vector<Entry>& entries) {
    std::vector<EntryShape> shapes;
    for (const Entry& entry : entries) {
        shapes.push_back({entry.name, static_cast<std::uint32_t>(entry.data.size())});
    }
    return shapes;
}

enum class PayloadPart { Count, Name, Size, CheckValue, Data };

// A byte of the payload: byte `at` of the entry count, or of a part of an entry's header or
// data.
struct PayloadSpot {
    PayloadPart part = PayloadPart::Count;
    std::size_t entry = 0;
    std::size_t at = 0;
};

struct PayloadDamage {
    enum class Kind { Flip, Cut, Count };
    Kind kind = Kind::Flip;
    // Flip: the payload offset of the complemented byte; Cut: the payload bytes kept; Count: the
    // entry count written over the real one.
    std::size_t value = 0;
};

void PrintTo(const PayloadDamage& damage, std::ostream* out);

enum class RunResult { Installs, ExtractionFailure, SetupFailure };

struct ExpectedRun {
    RunResult result = RunResult::Installs;
    // When it installs: the names of the files beside setup.exe as it starts, in byte order.
    std::vector<std::string> files;
};

class PayloadLayout {
  public:
    explicit PayloadLayout(std::vector<EntryShape> entries);

    std::size_t Size() const;
    std::size_t OffsetOf(const PayloadSpot& spot) const;
    PayloadSpot SpotOf(std::size_t offset) const;

    // Every payload byte complemented, every shorter payload, and the entry counts 0, 1, one
    // more than there are, and 0xFFFFFFFF.
    std::vector<PayloadDamage> EveryDamage() const;
    // A few of each kind, for the runs of the real program: a flip of the count, of each header
    // field and of the middle of the data of each entry; padding after the first entry's name
    // and the second one's terminating NUL; two cuts; the other counts. Twenty for three entries
    // of which one is empty.
    std::vector<PayloadDamage> Sample() const;

    // What the format makes of the damage.
    ExpectedRun Expect(const PayloadDamage& damage) const;
    // "flip of size byte 2 of Plumex.CAB", "cut to 17 of 41808 bytes", "count 4".
    std::string Describe(const PayloadDamage& damage) const;

  private:
    std::size_t HeaderOffset(std::size_t entry) const;
    // The entry counts 0, 1, one more than there are, and 0xFFFFFFFF.
    std::vector<PayloadDamage> OtherCounts() const;
    ExpectedRun WithCount(std::size_t count) const;
    ExpectedRun WithName(const PayloadSpot& spot) const;

    std::vector<EntryShape> entries_;
};

// Damages the package whose payload begins at payloadOffset.
void Apply(const PayloadDamage& damage, Bytes& package, std::size_t payloadOffset);

// Describe() with every run of characters other than letters and digits as one "_".
std::string TestName(const PayloadLayout& layout, const PayloadDamage& damage);

}  // namespace packager::testing_support
