// Plans a labelling of arbitrary bytes as an MPEG-4 file and, where it is not refused, checks the
// file the plan makes: it carries the labels, its other top-level boxes are the input's, in
// order, byte for byte, and every chunk offset moved by exactly what the bytes in front of its
// samples grew by. Anything else aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "importer/itunes/library/mp4/box.h"
#include "importer/itunes/library/mp4/chunk_offsets.h"
#include "importer/itunes/library/mp4/tag_plan.h"

namespace {

using itunes::library::mp4::Box;
using itunes::library::mp4::Bytes;
using itunes::library::mp4::FourCc;

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool IsMovieOrFree(const Box& box) {
    return box.type == FourCc("moov") || box.type == FourCc("free") || box.type == FourCc("skip");
}

struct Layout {
    std::vector<Box> boxes;
    std::optional<Box> moov;
    std::optional<std::vector<std::uint64_t>> offsets;  // unset: the tables do not read
};

Layout LayoutOf(const Bytes& file) {
    common::MemoryByteSource source(file);
    const auto top = itunes::library::mp4::ReadTopLevel(source);
    Require(top.error.empty());
    Layout layout{top.boxes, std::nullopt, std::nullopt};
    if (const Box* moov = top.Find(FourCc("moov"))) {
        layout.moov = *moov;
        const std::span<const std::uint8_t> bytes(file.data() + moov->offset, moov->size);
        Box header = *moov;
        header.offset = 0;
        const auto tables = itunes::library::mp4::FindChunkOffsets(bytes, header);
        if (tables.error.empty()) {
            layout.offsets = itunes::library::mp4::ReadChunkOffsets(bytes, tables.tables);
        }
    }
    return layout;
}

bool SameBytes(const Bytes& a, const Box& boxA, const Bytes& b, const Box& boxB) {
    return boxA.size == boxB.size &&
           std::equal(a.begin() + boxA.offset, a.begin() + boxA.End(), b.begin() + boxB.offset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace itunes::library::mp4;
    static const EpisodeTags kTags{"Show", 1, "S01E02", 2, "Name", "Name, The", 3};
    const Bytes input(data, data + size);
    common::MemoryByteSource source(input);
    const TagsRead before = ReadEpisodeTags(source);
    const TagWritePlan plan = PlanTagWrite(source, kTags);
    if (plan.Refused()) {
        return 0;
    }
    Require(before.tags.has_value());
    if (plan.Unchanged()) {
        Require(*before.tags == kTags);
        return 0;
    }

    const Bytes output = ApplyPlan(input, plan);
    common::MemoryByteSource written(output);
    const TagsRead after = ReadEpisodeTags(written);
    Require(after.tags == kTags);
    Require(PlanTagWrite(written, kTags).Unchanged());

    const Layout old = LayoutOf(input);
    const Layout now = LayoutOf(output);
    std::vector<Box> kept;
    std::vector<Box> keptNow;
    for (const Box& box : old.boxes) {
        if (!IsMovieOrFree(box)) {
            kept.push_back(box);
        }
    }
    for (const Box& box : now.boxes) {
        if (!IsMovieOrFree(box)) {
            keptNow.push_back(box);
        }
    }
    Require(kept.size() == keptNow.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        Require(kept[i].type == keptNow[i].type && SameBytes(input, kept[i], output, keptNow[i]));
    }

    Require(old.moov && now.moov && old.moov->offset == now.moov->offset);
    const bool rebuilt = std::holds_alternative<Rebuild>(plan.write);
    Require(now.offsets.has_value() == old.offsets.has_value() || (rebuilt && now.offsets));
    if (old.offsets) {
        const std::uint64_t growth = rebuilt ? output.size() - input.size() : 0;
        Require(old.offsets->size() == now.offsets->size());
        for (std::size_t i = 0; i < old.offsets->size(); ++i) {
            const std::uint64_t was = (*old.offsets)[i];
            Require((*now.offsets)[i] == (was < old.moov->offset ? was : was + growth));
        }
    }
    return 0;
}
