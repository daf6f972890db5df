#include "importer/itunes/library/mp4/tag_plan.h"

#include <algorithm>
#include <utility>

#include "importer/itunes/library/mp4/box.h"
#include "importer/itunes/library/mp4/chunk_offsets.h"
#include "importer/itunes/library/mp4/item_list.h"
#include "importer/itunes/library/mp4/metadata_list.h"

namespace itunes::library::mp4 {
namespace {

constexpr std::uint32_t kMoov = FourCc("moov");
// The most that adding the list's boxes (udta, meta with its handler, ilst) puts around the
// items.
constexpr std::uint64_t kListBoxesBytes = 8 + 12 + 33 + 8;

// The file's boxes and its first movie header, read whole.
struct Movie {
    Children top;
    std::size_t moovIndex = 0;
    Bytes moov;
    Box header;  // moov's header, at offset 0 of moov
    std::string error;

    const Box& InFile() const { return top.boxes[moovIndex]; }
};

Movie LoadMovie(common::ByteSource& file) {
    Movie movie;
    movie.top = ReadTopLevel(file);
    if (!movie.top.error.empty()) {
        movie.error = movie.top.error;
        return movie;
    }
    const Box* moov = movie.top.Find(kMoov);
    if (moov == nullptr) {
        movie.error = "not an MPEG-4 or QuickTime file";
        return movie;
    }
    if (moov->size > kMaxMovieHeaderBytes) {
        movie.error = "the movie header is larger than 64 MiB";
        return movie;
    }
    movie.moovIndex = static_cast<std::size_t>(moov - movie.top.boxes.data());
    movie.moov.resize(static_cast<std::size_t>(moov->size));
    if (!file.ReadAt(moov->offset, movie.moov)) {
        movie.error = "the file cannot be read";
        return movie;
    }
    movie.header = *moov;
    movie.header.offset = 0;
    return movie;
}

TagWritePlan Refused(std::string reason) {
    TagWritePlan plan;
    plan.refusal = std::move(reason);
    return plan;
}

TagWritePlan InPlace(std::uint64_t offset, Bytes bytes, std::uint64_t newSize) {
    return TagWritePlan{InPlaceWrite{offset, std::move(bytes), newSize}, {}};
}

bool IsFreeSpace(const Box& box) {
    return box.type == FourCc("free") || box.type == FourCc("skip");
}

// Where the new movie header goes. No byte behind the old one moves when it is the last box, or
// fits with the free space right after it; otherwise everything behind moves up, and padding
// after the new header keeps the next change in place.
TagWritePlan Place(const Movie& movie, Bytes moov) {
    const Box& old = movie.InFile();
    const std::uint64_t fileSize = movie.top.end;
    const std::uint64_t newSize = moov.size();
    if (old.End() == fileSize) {
        return InPlace(old.offset, std::move(moov), old.offset + newSize);
    }
    std::uint64_t regionEnd = old.End();
    for (auto next = movie.top.boxes.begin() + static_cast<std::ptrdiff_t>(movie.moovIndex) + 1;
         next != movie.top.boxes.end() && IsFreeSpace(*next); ++next) {
        regionEnd = next->End();
    }
    const std::uint64_t room = regionEnd - old.offset;
    // What is left after the new header must be nothing or a box: a box header takes 8 bytes.
    if (newSize == room || (newSize < room && room - newSize >= 8)) {
        if (newSize < room) {
            const Bytes free = FreeBoxHeader(room - newSize);
            moov.insert(moov.end(), free.begin(), free.end());
            // The old header's bytes are cleared rather than left in the free space.
            moov.resize(std::max<std::size_t>(moov.size(), static_cast<std::size_t>(old.size)));
        }
        return InPlace(old.offset, std::move(moov), fileSize);
    }
    if (regionEnd == fileSize) {
        return InPlace(old.offset, std::move(moov), old.offset + newSize);
    }

    Box header = movie.header;
    header.size = newSize;
    if (ReadChildren(moov, header.PayloadOffset(), header.End()).Find(FourCc("mvex"))) {
        // Its fragments hold file positions of their own.
        return Refused("a fragmented file's movie header cannot move");
    }
    const std::uint64_t growth = newSize + kPaddingBytes - room;
    const ChunkOffsetTables tables = FindChunkOffsets(moov, header);
    if (!tables.error.empty()) {
        return Refused(tables.error);
    }
    const std::string moved = MoveChunkOffsets(moov, tables.tables, old.offset, regionEnd, growth);
    if (!moved.empty()) {
        return Refused(moved);
    }
    const Bytes padding = FreeBoxHeader(kPaddingBytes);
    moov.insert(moov.end(), padding.begin(), padding.end());
    moov.resize(static_cast<std::size_t>(newSize + kPaddingBytes));

    Rebuild rebuild;
    if (old.offset > 0) {
        rebuild.pieces.push_back(Piece{0, old.offset, {}});
    }
    rebuild.pieces.push_back(Piece{0, 0, std::move(moov)});
    rebuild.pieces.push_back(Piece{regionEnd, fileSize - regionEnd, {}});
    rebuild.newSize = fileSize + growth;
    return TagWritePlan{std::move(rebuild), {}};
}

}  // namespace

std::optional<std::uint8_t> StikForVideoKind(std::int16_t videoKind) {
    switch (videoKind) {
        case 1:  // movie
            return 9;
        case 2:  // music video
            return 6;
        case 3:  // TV show
            return 10;
        default:
            return std::nullopt;
    }
}

TagsRead ReadEpisodeTags(common::ByteSource& file) {
    const Movie movie = LoadMovie(file);
    if (!movie.error.empty()) {
        return TagsRead{std::nullopt, movie.error};
    }
    const ListPlace place = FindList(movie.moov, movie.header);
    if (!place.error.empty()) {
        return TagsRead{std::nullopt, place.error};
    }
    return TagsRead{place.ilst ? ReadItems(movie.moov, place.deepest) : EpisodeTags{}, {}};
}

TagWritePlan PlanTagWrite(common::ByteSource& file, const EpisodeTags& tags) {
    Movie movie = LoadMovie(file);
    if (!movie.error.empty()) {
        return Refused(movie.error);
    }
    const ListPlace place = FindList(movie.moov, movie.header);
    if (!place.error.empty()) {
        return Refused(place.error);
    }
    const std::vector<ItemEdit> edits = EditsFor(tags);
    std::uint64_t added = kListBoxesBytes;
    for (const ItemEdit& edit : edits) {
        added += edit.item ? edit.item->size() : 0;
    }
    if (movie.moov.size() + added > kMaxMovieHeaderBytes) {
        return Refused("the labels make the movie header larger than 64 MiB");
    }
    Bytes moov = EditedMovie(movie.moov, place, edits);
    if (moov == movie.moov) {
        return TagWritePlan{};
    }
    return Place(movie, std::move(moov));
}

std::vector<std::uint8_t> ApplyPlan(const std::vector<std::uint8_t>& old,
                                    const TagWritePlan& plan) {
    if (const auto* write = std::get_if<InPlaceWrite>(&plan.write)) {
        std::vector<std::uint8_t> out = old;
        const std::uint64_t end = write->offset + write->bytes.size();
        out.resize(static_cast<std::size_t>(std::max<std::uint64_t>(out.size(), end)));
        std::copy(write->bytes.begin(), write->bytes.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(write->offset));
        out.resize(static_cast<std::size_t>(write->newSize));
        return out;
    }
    if (const auto* rebuild = std::get_if<Rebuild>(&plan.write)) {
        std::vector<std::uint8_t> out;
        out.reserve(static_cast<std::size_t>(rebuild->newSize));
        for (const Piece& piece : rebuild->pieces) {
            if (piece.bytes.empty()) {
                const auto from = old.begin() + static_cast<std::ptrdiff_t>(piece.oldOffset);
                out.insert(out.end(), from, from + static_cast<std::ptrdiff_t>(piece.length));
            } else {
                out.insert(out.end(), piece.bytes.begin(), piece.bytes.end());
            }
        }
        return out;
    }
    return old;
}

}  // namespace itunes::library::mp4
