#include "importer/itunes/library/mp4/tag_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "importer/itunes/library/mp4/box.h"
#include "importer/itunes/library/mp4/chunk_offsets.h"
#include "tests/importer/itunes/mp4/boxes.h"

namespace itunes::library::mp4::test {
namespace {

using ::testing::HasSubstr;

const EpisodeTags kTags{"The Show", 2, "S02E05", 5, "Pilot", "Pilot, The", 3};
const EpisodeTags kOtherTags{"Another Show", 3, "S03E01", 1, std::string(300, 'n'), "Name", 3};

// kTags as items, in the order new ones are added.
const Bytes kShow = TextItem("tvsh", "The Show");
const Bytes kSeason = NumberItem("tvsn", 2);
const Bytes kEpisodeId = TextItem("tven", "S02E05");
const Bytes kEpisode = NumberItem("tves", 5);
const Bytes kName = TextItem("\xA9nam", "Pilot");
const Bytes kSortName = TextItem("sonm", "Pilot, The");
const Bytes kStik = NumberItem("stik", 10, 1);
const Bytes kAllItems = Join({kShow, kSeason, kEpisodeId, kEpisode, kName, kSortName, kStik});

const Bytes kMovieHeader = Box("mvhd", Bytes(100));
const Bytes kFileType = Box("ftyp", Join({Text("isom"), Be(0, 4), Text("isom")}));
const Bytes kChunks[] = {Text("chunk-one"), Text("chunk-two")};

Bytes UserDataWithList(const Bytes& items) {
    return Container("udta", {Meta({Handler("mdir"), Box("ilst", items)})});
}

TagWritePlan Plan(const Bytes& file, const EpisodeTags& tags = kTags) {
    common::MemoryByteSource source(file);
    return PlanTagWrite(source, tags);
}

TagsRead Read(const Bytes& file) {
    common::MemoryByteSource source(file);
    return ReadEpisodeTags(source);
}

// The bytes each chunk offset of the file's movie header points at, chunk-sized.
std::vector<Bytes> ChunksOf(const Bytes& file) {
    common::MemoryByteSource source(file);
    const Children top = ReadTopLevel(source);
    const mp4::Box* moov = top.Find(FourCc("moov"));
    if (moov == nullptr) {
        return {};
    }
    const Bytes movie(file.begin() + static_cast<std::ptrdiff_t>(moov->offset),
                      file.begin() + static_cast<std::ptrdiff_t>(moov->End()));
    mp4::Box header = *moov;
    header.offset = 0;
    std::vector<Bytes> chunks;
    for (std::uint64_t at : ReadChunkOffsets(movie, FindChunkOffsets(movie, header).tables)) {
        const auto from =
            file.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(at, file.size()));
        chunks.emplace_back(from, from + std::min<std::ptrdiff_t>(9, file.end() - from));
    }
    return chunks;
}

// --- Where the new movie header goes, for each layout of the file. -----------------------------

struct MovieSpec {
    bool fragmented = false;
    bool wide = false;   // co64 rather than stco
    int showExtra = -1;  // >= 0: the file already has kTags, with a show longer by that much
};

Bytes MovieBox(const MovieSpec& spec, const std::vector<std::uint64_t>& offsets) {
    Bytes list;
    if (spec.showExtra >= 0) {
        list =
            UserDataWithList(Join({TextItem("tvsh", *kTags.show + std::string(spec.showExtra, 'x')),
                                   kSeason, kEpisodeId, kEpisode, kName, kSortName, kStik}));
    }
    return Box(
        "moov",
        Join({kMovieHeader, Track(offsets, spec.wide),
              spec.fragmented ? Container("mvex", {Box("trex", Bytes(24))}) : Bytes{}, list}));
}

struct MadeFile {
    Bytes bytes;
    std::uint64_t freeAfterMoov = 0;  // the free and skip boxes right after moov
};

// The boxes of layout in order: ftyp, moov, mdat (MDAT with a 64-bit size), and free or skip
// boxes of a size "=N", or relative to the movie header's growth "+N" / "-N".
MadeFile MakeFile(const std::string& layout, const MovieSpec& spec, std::int64_t growth) {
    std::vector<std::uint64_t> offsets = {0, 0};
    MadeFile made;
    // The sizes do not depend on the offsets, which are known once the mdat's place is.
    for (int pass = 0; pass < 2; ++pass) {
        made = {};
        bool afterMoov = false;
        std::istringstream tokens(layout);
        for (std::string token; tokens >> token;) {
            Bytes box;
            const std::string type = token.substr(0, 4);
            if (type == "ftyp") {
                box = kFileType;
            } else if (type == "moov") {
                box = MovieBox(spec, offsets);
            } else if (type == "mdat" || type == "MDAT") {
                const bool large = type == "MDAT";
                const std::uint64_t at = made.bytes.size() + (large ? 16 : 8);
                offsets = {at, at + kChunks[0].size()};
                box = large ? LargeBox("mdat", Join({kChunks[0], kChunks[1]}))
                            : Box("mdat", Join({kChunks[0], kChunks[1]}));
            } else {
                const std::int64_t number = std::stoll(token.substr(5));
                const std::int64_t size =
                    token[4] == '=' ? number : growth + (token[4] == '+' ? number : -number);
                box = Box(type, Bytes(static_cast<std::size_t>(size - 8)));
            }
            const bool freeSpace = type == "free" || type == "skip";
            made.freeAfterMoov += afterMoov && freeSpace ? box.size() : 0;
            afterMoov = type == "moov" || (afterMoov && freeSpace);
            made.bytes.insert(made.bytes.end(), box.begin(), box.end());
        }
    }
    return made;
}

enum class Outcome { kInPlace, kRebuild, kRefused };
enum class Change { kNone, kGrowth, kPadded };

struct LayoutCase {
    const char* label;
    const char* layout;
    Outcome outcome;
    Change change = Change::kNone;  // the file's size: as it was, + growth, + growth and padding
    MovieSpec spec = {};
    const char* refusal = "";
};

class TagPlanLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(TagPlanLayoutTest, PlacesTheMovieHeaderAndKeepsTheSamples) {
    const LayoutCase& row = GetParam();
    const MadeFile last = MakeFile("ftyp mdat moov", row.spec, 0);
    const TagWritePlan first = Plan(last.bytes);
    const auto* grown = std::get_if<InPlaceWrite>(&first.write);
    ASSERT_NE(grown, nullptr);
    const std::int64_t growth = static_cast<std::int64_t>(grown->newSize - last.bytes.size());

    const MadeFile made = MakeFile(row.layout, row.spec, growth);
    const TagWritePlan plan = Plan(made.bytes);
    if (row.outcome == Outcome::kRefused) {
        EXPECT_THAT(plan.refusal, HasSubstr(row.refusal));
        return;
    }
    ASSERT_FALSE(plan.Refused()) << plan.refusal;
    EXPECT_EQ(plan.write.index(), row.outcome == Outcome::kInPlace ? 1u : 2u);
    const std::int64_t change = row.change == Change::kNone ? 0
                                : row.change == Change::kGrowth
                                    ? growth - static_cast<std::int64_t>(made.freeAfterMoov)
                                    : growth + static_cast<std::int64_t>(kPaddingBytes) -
                                          static_cast<std::int64_t>(made.freeAfterMoov);
    const Bytes labelled = ApplyPlan(made.bytes, plan);
    EXPECT_EQ(static_cast<std::int64_t>(labelled.size()),
              static_cast<std::int64_t>(made.bytes.size()) + change);
    EXPECT_EQ(Read(labelled).tags, kTags);
    EXPECT_EQ(ChunksOf(labelled), std::vector<Bytes>(std::begin(kChunks), std::end(kChunks)));
    EXPECT_TRUE(Plan(labelled).Unchanged());

    if (row.outcome != Outcome::kRebuild) {
        return;
    }
    // Another labelling fits the padding the rebuild left.
    const TagWritePlan again = Plan(labelled, kOtherTags);
    const auto* inPlace = std::get_if<InPlaceWrite>(&again.write);
    ASSERT_NE(inPlace, nullptr) << again.refusal;
    EXPECT_EQ(inPlace->newSize, labelled.size());
    const Bytes relabelled = ApplyPlan(labelled, again);
    EXPECT_EQ(Read(relabelled).tags, kOtherTags);
    EXPECT_EQ(ChunksOf(relabelled), std::vector<Bytes>(std::begin(kChunks), std::end(kChunks)));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TagPlanLayoutTest,
    ::testing::Values(
        LayoutCase{"MoovLast", "ftyp mdat moov", Outcome::kInPlace, Change::kGrowth},
        LayoutCase{"FreeWithRoom", "ftyp moov free+100 mdat", Outcome::kInPlace},
        LayoutCase{"FreeExactFit", "ftyp moov free+0 mdat", Outcome::kInPlace},
        LayoutCase{"FreeAndSkipLeaveABox", "ftyp moov free=16 skip-8 mdat", Outcome::kInPlace},
        LayoutCase{"FreeLeavesLessThanABox", "ftyp moov free+7 mdat", Outcome::kRebuild,
                   Change::kPadded},
        LayoutCase{"FreeTooSmall", "ftyp moov free=16 mdat", Outcome::kRebuild, Change::kPadded},
        LayoutCase{"MoovFirst", "moov mdat", Outcome::kRebuild, Change::kPadded},
        LayoutCase{"FreeNotNextToMoov", "ftyp moov mdat free+100", Outcome::kRebuild,
                   Change::kPadded},
        LayoutCase{"FreeAtTheEndTooSmall", "ftyp mdat moov free=8", Outcome::kInPlace,
                   Change::kGrowth},
        LayoutCase{"LargeSizeMdat", "ftyp moov MDAT", Outcome::kRebuild, Change::kPadded},
        LayoutCase{"Co64", "ftyp moov mdat", Outcome::kRebuild, Change::kPadded, {.wide = true}},
        LayoutCase{"FragmentedWithRoom",
                   "ftyp moov free+100 mdat",
                   Outcome::kInPlace,
                   Change::kNone,
                   {.fragmented = true}},
        LayoutCase{"FragmentedInFront",
                   "ftyp moov mdat",
                   Outcome::kRefused,
                   Change::kNone,
                   {.fragmented = true},
                   "fragmented"},
        LayoutCase{"ShrinksInFront",
                   "ftyp moov mdat",
                   Outcome::kInPlace,
                   Change::kNone,
                   {.showExtra = 40}},
        LayoutCase{"ShrinksByLessThanABox",
                   "ftyp moov mdat",
                   Outcome::kRebuild,
                   Change::kPadded,
                   {.showExtra = 5}},
        LayoutCase{"ShrinksAtTheEnd",
                   "ftyp mdat moov",
                   Outcome::kInPlace,
                   Change::kGrowth,
                   {.showExtra = 40}}),
    [](const auto& param) { return std::string(param.param.label); });

// --- Files that are refused, and why.
// -------------------------------------------------------------

struct RefusalCase {
    const char* label;
    Bytes file;
    const char* reason;
    bool unreadable = true;  // the tags cannot be read either
};

Bytes MovieInFront(const Bytes& track) {
    return Join({Container("moov", {kMovieHeader, track}), Box("mdat", Bytes(32))});
}

std::vector<RefusalCase> RefusalCases() {
    const Bytes movie = Container("moov", {kMovieHeader});
    const Bytes whole = Join({kFileType, movie, Box("mdat", Bytes(32))});
    const char* notMpeg4 = "not an MPEG-4 or QuickTime file";
    return {
        {"Empty", {}, notMpeg4},
        {"UnknownFirstBox", Text("#!/bin/sh\necho hello\n"), notMpeg4},
        {"NoMovieHeader", Join({kFileType, Box("mdat", Bytes(32))}), notMpeg4},
        {"TruncatedBox", Bytes(whole.begin(), whole.end() - 3), "past the end of the file"},
        {"CutOffHeader", Join({kFileType, Be(1, 4), Text("mdat"), Be(0, 4)}), "cut off"},
        {"SizeBelowHeader", Join({kFileType, Be(4, 4), Text("free")}), "smaller than its header"},
        {"UuidBelowItsHeader", Join({kFileType, Be(20, 4), Text("uuid"), Bytes(16)}),
         "smaller than its header"},
        {"LargeSizeBelowHeader", Join({kFileType, Be(1, 4), Text("mdat"), Be(15, 8)}),
         "smaller than its header"},
        {"LargeSizePastTheEnd", Join({kFileType, Be(1, 4), Text("mdat"), Be(1ULL << 40, 8)}),
         "past the end of the file"},
        {"ChildPastItsParent", Join({kFileType, Box("moov", Join({Be(200, 4), Text("mvhd")}))}),
         "past the box that holds it"},
        {"SizeZeroInsideMoov", Join({kFileType, Box("moov", Join({Be(0, 4), Text("free")}))}),
         "size 0"},
        {"ItemPastTheList",
         Join({kFileType, Container("moov", {UserDataWithList(Join({Be(99, 4), Text("tvsh")}))})}),
         "past the box that holds it"},
        {"ChunkOffsetOverflows", MovieInFront(Track({0xFFFFFF00})), "a chunk offset no longer fits",
         false},
        {"ChunkOffsetIntoTheMovieHeader", MovieInFront(Track({8})), "into the movie header", false},
        {"AuxiliaryOffsets", MovieInFront(TrackWith(Box("saio", Bytes(12)))), "auxiliary", false},
        {"ChunkOffsetTableCutOff",
         MovieInFront(TrackWith(Box("stco", Join({Be(0, 4), Be(5, 4), Be(0, 4)})))), "cut off",
         false},
    };
}

class TagPlanRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TagPlanRefusalTest, RefusesWithAReason) {
    const RefusalCase& row = GetParam();
    EXPECT_THAT(Plan(row.file).refusal, HasSubstr(row.reason));
    const TagsRead read = Read(row.file);
    EXPECT_EQ(read.tags.has_value(), !row.unreadable) << read.reason;
}

INSTANTIATE_TEST_SUITE_P(Files, TagPlanRefusalTest, ::testing::ValuesIn(RefusalCases()),
                         [](const auto& param) { return std::string(param.param.label); });

// A file of size bytes: the bytes given, then zeros.
class ZeroExtendedSource final : public common::ByteSource {
  public:
    ZeroExtendedSource(Bytes bytes, std::uint64_t size) : bytes_(std::move(bytes)), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        if (!common::FitsWithin(offset, out.size(), size_)) {
            return false;
        }
        for (std::size_t i = 0; i < out.size(); ++i) {
            out[i] = offset + i < bytes_.size() ? bytes_[static_cast<std::size_t>(offset + i)] : 0;
        }
        return true;
    }

  private:
    Bytes bytes_;
    std::uint64_t size_;
};

TEST(TagPlanLargeFile, MovesSixtyFourBitOffsetsPastFourGiB) {
    constexpr std::uint64_t kMdatSize = 6ULL << 30;
    constexpr std::uint64_t kSampleAt = 5ULL << 30;
    const Bytes movie = Container("moov", {kMovieHeader, Track({kSampleAt}, true)});
    const Bytes head = Join({kFileType, movie, Be(1, 4), Text("mdat"), Be(kMdatSize, 8)});
    const std::uint64_t moovEnd = kFileType.size() + movie.size();
    ZeroExtendedSource file(head, moovEnd + kMdatSize);

    const TagWritePlan plan = PlanTagWrite(file, kTags);
    const auto* rebuild = std::get_if<Rebuild>(&plan.write);
    ASSERT_NE(rebuild, nullptr) << plan.refusal;
    ASSERT_EQ(rebuild->pieces.size(), 3u);
    EXPECT_EQ(rebuild->pieces[2].oldOffset, moovEnd);
    EXPECT_EQ(rebuild->pieces[2].length, kMdatSize);
    const Bytes& fresh = rebuild->pieces[1].bytes;
    const std::uint64_t growth = fresh.size() - movie.size();
    EXPECT_EQ(rebuild->newSize, file.Size() + growth);
    const mp4::Box header{FourCc("moov"), 0, fresh.size() - kPaddingBytes};
    EXPECT_EQ(ReadChunkOffsets(fresh, FindChunkOffsets(fresh, header).tables),
              std::vector<std::uint64_t>{kSampleAt + growth});
}

TEST(TagPlanLargeFile, RefusesAMovieHeaderOverTheLimit) {
    ZeroExtendedSource file(Join({Be(kMaxMovieHeaderBytes + 8, 4), Text("moov")}),
                            kMaxMovieHeaderBytes + 8);
    EXPECT_THAT(PlanTagWrite(file, kTags).refusal, HasSubstr("64 MiB"));
}

// --- What the metadata list becomes, byte for byte. ----------------------------------------------

struct ListCase {
    const char* label;
    Bytes before;  // moov's udta; none when empty
    EpisodeTags tags;
    Bytes after;  // the same as before: the file is left as it is
};

std::vector<ListCase> ListCases() {
    const Bytes quickTimeName = Box("\xA9nam", Join({Be(5, 2), Be(0x55C4, 2), Text("Hello")}));
    const Bytes newMeta = Meta({Handler("mdir"), Box("ilst", kAllItems)});
    const Bytes cover = Item("covr", 13, Bytes(40, 0xFF));
    const Bytes artist = TextItem(
        "\xA9"
        "ART",
        "Artist");
    const Bytes freeform = Container(
        "----", {Box("mean", Join({Be(0, 4), Text("com.apple.iTunes")})),
                 Box("name", Join({Be(0, 4), Text("iTunNORM")})), Item("data", 1, Text(" 0"))});
    const Bytes unknown = Box("xyzw", Bytes(12, 7));
    EpisodeTags kindNone;
    kindNone.videoKind = 0;
    kindNone.name = "Pilot";
    EpisodeTags nameOnly;
    nameOnly.name = "Pilot";
    EpisodeTags otherKind;
    otherKind.videoKind = 7;
    return {
        {"NoUserData", {}, kTags, Container("udta", {newMeta})},
        {"QuickTimeTextKept", Container("udta", {quickTimeName}), kTags,
         Container("udta", {quickTimeName, newMeta})},
        {"QuickTimeListTerminatorKeptLast", Container("udta", {quickTimeName, Be(0, 4)}), kTags,
         Container("udta", {quickTimeName, newMeta, Be(0, 4)})},
        {"OtherHandlerKept", Container("udta", {Meta({Handler("mdta"), Box("keys", Bytes(8))})}),
         kTags, Container("udta", {Meta({Handler("mdta"), Box("keys", Bytes(8))}), newMeta})},
        {"MetaWithoutVersionKeepsItsForm",
         Container("udta", {Meta({Handler("mdir"), Container("ilst", {artist})}, false)}), kTags,
         Container("udta",
                   {Meta({Handler("mdir"), Box("ilst", Join({artist, kAllItems}))}, false)})},
        {"MetaWithoutList", Container("udta", {Meta({Handler("mdir"), Box("free", Bytes(4))})}),
         kTags,
         Container("udta",
                   {Meta({Handler("mdir"), Box("free", Bytes(4)), Box("ilst", kAllItems)})})},
        {"ItemsReplacedInTheirPlaces",
         UserDataWithList(
             Join({cover, artist, TextItem("tvsh", "Old"), freeform, unknown,
                   NumberItem("stik", 9, 1), TextItem("sonm", "Old"), TextItem("tvsh", "Older")})),
         kTags,
         UserDataWithList(Join({cover, artist, kShow, freeform, unknown, kStik, kSortName, kSeason,
                                kEpisodeId, kEpisode, kName}))},
        {"KindNoneRemovesStik", UserDataWithList(Join({kStik, artist})), kindNone,
         UserDataWithList(Join({artist, kName}))},
        {"UnsetLeavesTheItem", UserDataWithList(Join({TextItem("tvsh", "Old"), artist})), nameOnly,
         UserDataWithList(Join({TextItem("tvsh", "Old"), artist, kName}))},
        {"AlreadyLabelled", UserDataWithList(Join({artist, kAllItems})), kTags,
         UserDataWithList(Join({artist, kAllItems}))},
        {"NothingAsked", {}, EpisodeTags{}, {}},
        {"KindWithoutStikLeavesIt", UserDataWithList(kStik), otherKind, UserDataWithList(kStik)},
    };
}

class TagPlanListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(TagPlanListTest, EditsOnlyTheEpisodeItems) {
    const ListCase& row = GetParam();
    const Bytes file = Join({kFileType, Box("moov", Join({kMovieHeader, row.before}))});
    const TagWritePlan plan = Plan(file, row.tags);
    if (row.after == row.before) {
        EXPECT_TRUE(plan.Unchanged()) << plan.refusal;
        return;
    }
    const Bytes labelled = ApplyPlan(file, plan);
    EXPECT_EQ(labelled, Join({kFileType, Box("moov", Join({kMovieHeader, row.after}))}));
    EXPECT_TRUE(Plan(labelled, row.tags).Unchanged());
}

INSTANTIATE_TEST_SUITE_P(Lists, TagPlanListTest, ::testing::ValuesIn(ListCases()),
                         [](const auto& param) { return std::string(param.param.label); });

// --- The items as other writers store them. ------------------------------------------------------

struct ReadCase {
    const char* label;
    Bytes items;
    EpisodeTags expected;
};

std::vector<ReadCase> ReadCases() {
    const auto tags = [](auto set) {
        EpisodeTags made;
        set(made);
        return made;
    };
    return {
        {"NarrowNumbers", Join({NumberItem("tvsn", 7, 1), NumberItem("tves", 300, 2)}),
         tags([](EpisodeTags& t) {
             t.seasonNumber = 7;
             t.episodeNumber = 300;
         })},
        {"ImplicitNumberType", Item("tvsn", 0, Be(3, 4)),
         tags([](EpisodeTags& t) { t.seasonNumber = 3; })},
        {"NegativeNumber", NumberItem("tves", -1, 1),
         tags([](EpisodeTags& t) { t.episodeNumber = -1; })},
        {"OtherTextTypeLeftOut", Item("tvsh", 2, Join({Be('S', 2)})), EpisodeTags{}},
        {"ItemWithoutData", Container("tvsh", {Box("name", Text("x"))}), EpisodeTags{}},
        {"FirstOfAKeyCounts", Join({TextItem("tvsh", "A"), TextItem("tvsh", "B")}),
         tags([](EpisodeTags& t) { t.show = "A"; })},
        {"MovieKind", NumberItem("stik", 9, 1), tags([](EpisodeTags& t) { t.videoKind = 1; })},
        {"MusicVideoKind", NumberItem("stik", 6, 1), tags([](EpisodeTags& t) { t.videoKind = 2; })},
        {"KindWithoutLibraryValue", NumberItem("stik", 1, 1), EpisodeTags{}},
    };
}

class TagReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TagReadTest, ReadsTheItemsAsStored) {
    const Bytes file =
        Join({kFileType, Container("moov", {kMovieHeader, UserDataWithList(GetParam().items)})});
    const TagsRead read = Read(file);
    ASSERT_TRUE(read.tags) << read.reason;
    EXPECT_EQ(*read.tags, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Items, TagReadTest, ::testing::ValuesIn(ReadCases()),
                         [](const auto& param) { return std::string(param.param.label); });

}  // namespace
}  // namespace itunes::library::mp4::test
