// The episode labels written into an MPEG-4 / QuickTime file's own metadata list
// (moov/udta/meta, handler "mdir", ilst), as other players read them. This part only reads
// bytes and works out what to write; it opens no file and writes nothing, so the same plan can
// be carried out on a file (with a journal, or a new file renamed over the old) or in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/byte_source.h"

namespace itunes::library::mp4 {

// What one labelling sets. Each property that is there replaces the file's item of that kind
// (or adds it); one that is not leaves the file's item as it is. A video kind of 0 (none)
// removes the "stik" item; a kind that has no "stik" value leaves it as it is.
struct EpisodeTags {
    std::optional<std::string> show;            // "tvsh", UTF-8
    std::optional<std::int32_t> seasonNumber;   // "tvsn", 32-bit integer
    std::optional<std::string> episodeId;       // "tven", UTF-8
    std::optional<std::int32_t> episodeNumber;  // "tves", 32-bit integer
    std::optional<std::string> name;            // "\xA9nam", UTF-8
    std::optional<std::string> sortName;        // "sonm", UTF-8
    std::optional<std::int16_t> videoKind;  // "stik", one byte: 3 -> 10, 1 -> 9, 2 -> 6, 0 -> none

    bool operator==(const EpisodeTags&) const = default;
};

// The "stik" value the library's video kind stands for; std::nullopt for none (0) and for kinds
// that have no such value.
std::optional<std::uint8_t> StikForVideoKind(std::int16_t videoKind);

// The episode items a file carries now, read from its first moov/udta/meta "mdir" list; each
// property the file does not carry is unset. videoKind holds the library's kind for the file's
// "stik" (10 -> 3, 9 -> 1, 6 -> 2), unset when there is none or another value.
struct TagsRead {
    std::optional<EpisodeTags> tags;
    std::string reason;  // why the file could not be read as MPEG-4, when tags is empty
};
TagsRead ReadEpisodeTags(common::ByteSource& file);

// Overwrites the bytes from offset on with bytes, then sets the file's size to newSize (which
// cuts or extends it). No byte of any sample moves: used when the new moov box fits where the
// old one was (with the "free" space beside it) or the moov box is the last box of the file.
struct InPlaceWrite {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;
    std::uint64_t newSize = 0;
};

// The new file, made of pieces in order: a run of the old file's bytes, or new bytes. Used when
// the moov box must grow in front of the samples; the chunk offsets in the new moov box are
// already moved by the growth. The new bytes are the new moov box and a "free" box of
// kPaddingBytes after it; the old moov box and the free boxes right after it are left out.
struct Piece {
    std::uint64_t oldOffset = 0;  // where the run starts in the old file (when bytes is empty)
    std::uint64_t length = 0;     // how many bytes of the old file (when bytes is empty)
    std::vector<std::uint8_t> bytes;
};
struct Rebuild {
    std::vector<Piece> pieces;
    std::uint64_t newSize = 0;
};

// What writing tags into a file takes. Refused (reason set, nothing to do) when the file is
// not MPEG-4 / QuickTime, its boxes are inconsistent, it is fragmented and its moov box would
// have to move, or a chunk offset would no longer fit its table.
struct TagWritePlan {
    std::variant<std::monostate, InPlaceWrite, Rebuild> write;  // monostate: the file is as asked
    std::string refusal;                                        // non-empty: refused
    bool Refused() const { return !refusal.empty(); }
    bool Unchanged() const { return refusal.empty() && write.index() == 0; }
};

// How much "free" space a rewritten moov box gets beside it, so that the next change of labels
// fits in place: the whole free box, header included.
inline constexpr std::uint64_t kPaddingBytes = 4096;

// The largest moov box read (it is read whole); a larger one is refused, as is labelling that
// would make one.
inline constexpr std::uint64_t kMaxMovieHeaderBytes = 64 * 1024 * 1024;

TagWritePlan PlanTagWrite(common::ByteSource& file, const EpisodeTags& tags);

// The file the plan makes of old, in memory: for tests and the fuzz target.
std::vector<std::uint8_t> ApplyPlan(const std::vector<std::uint8_t>& old, const TagWritePlan& plan);

}  // namespace itunes::library::mp4
