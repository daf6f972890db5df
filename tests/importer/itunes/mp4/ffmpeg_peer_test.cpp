// The labels as FFmpeg, an independent reader, sees them in files FFmpeg wrote, and the media
// as its demuxer hands it out, unchanged by the rewrite.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/byte_order.h"
#include "importer/itunes/library/mp4/tag_plan.h"
#include "tests/importer/itunes/mp4/boxes.h"
#include "tests/support/files.h"
#include "tests/support/media_packets.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_tools.h"
#include "tools/testmedia/test_media.h"

namespace itunes::library::mp4::test {
namespace {

using vexo::testmedia::Container;

// The container boxes of movie[begin, end) rebuilt with every "stco" table made a "co64" one,
// its offsets moved by shift.
Bytes Widened(const Bytes& movie, std::size_t begin, std::size_t end, std::uint64_t shift) {
    Bytes out;
    for (std::size_t at = begin; at + 8 <= end;) {
        const std::size_t size = common::LoadBe32(movie.data() + at);
        const std::string type(movie.begin() + at + 4, movie.begin() + at + 8);
        if (type == "moov" || type == "trak" || type == "mdia" || type == "minf" ||
            type == "stbl") {
            out = Join({out, Box(type, Widened(movie, at + 8, at + size, shift))});
        } else if (type == "stco") {
            std::vector<std::uint64_t> offsets(common::LoadBe32(movie.data() + at + 12));
            for (std::size_t i = 0; i < offsets.size(); ++i) {
                offsets[i] = common::LoadBe32(movie.data() + at + 16 + 4 * i) + shift;
            }
            out = Join({out, ChunkOffsets(offsets, true)});
        } else {
            out = Join({out, Bytes(movie.begin() + at, movie.begin() + at + size)});
        }
        at += size;
    }
    return out;
}

// A file whose header comes first (ftyp, moov, ...) with 64-bit chunk offsets.
Bytes WithWideChunkOffsets(const Bytes& file) {
    const std::size_t moovAt = common::LoadBe32(file.data());
    const std::size_t moovEnd = moovAt + common::LoadBe32(file.data() + moovAt);
    const std::size_t growth = Widened(file, moovAt, moovEnd, 0).size() - (moovEnd - moovAt);
    return Join({Bytes(file.begin(), file.begin() + moovAt), Widened(file, moovAt, moovEnd, growth),
                 Bytes(file.begin() + moovEnd, file.end())});
}

struct PeerCase {
    const char* label;
    Container container;
    bool headerFirst;
    const char* remux = "";  // ffmpeg options for a copy of the clip with metadata of its own
    bool wideOffsets = false;
    const char* artist = nullptr;  // the artist the file had, which stays
};

class FfmpegPeerTest : public ::testing::TestWithParam<PeerCase> {};

TEST_P(FfmpegPeerTest, SeesTheLabelsAndTheSameMedia) {
    const PeerCase& row = GetParam();
    vexo::test_support::TempFolder folder;
    const std::string extension(vexo::testmedia::Extension(row.container));
    vexo::testmedia::ClipSpec spec;
    spec.headerFirst = row.headerFirst;
    std::string source = folder / ("clip" + extension);
    ASSERT_TRUE(vexo::testmedia::WriteVideoClip(source, row.container, spec));
    if (*row.remux != '\0') {
        const std::string remuxed = folder / ("remuxed" + extension);
        vexo::test_support::ToolOutput(
            "ffmpeg -v error -y -i " + vexo::test_support::ShellWord(source) + " -c copy " +
            row.remux + (row.headerFirst ? " -movflags faststart " : " ") +
            vexo::test_support::ShellWord(remuxed));
        source = remuxed;
    }
    Bytes old = vexo::test_support::ReadBytes(source);
    ASSERT_FALSE(old.empty()) << "ffmpeg made no file (scripts/bootstrap installs ffmpeg)";
    if (row.wideOffsets) {
        old = WithWideChunkOffsets(old);
    }

    common::MemoryByteSource bytes(old);
    const EpisodeTags tags{"The Show", 2, "S02E05", 5, "Pilot", "Pilot, The", 3};
    const TagWritePlan plan = PlanTagWrite(bytes, tags);
    ASSERT_FALSE(plan.Refused()) << plan.refusal;
    EXPECT_EQ(plan.write.index(), row.headerFirst ? 2u : 1u);
    const std::string labelled = folder / ("labelled" + extension);
    ASSERT_TRUE(vexo::test_support::WriteBytes(labelled, ApplyPlan(old, plan)));

    std::map<std::string, std::string> expected = {
        {"show", "The Show"},  {"season_number", "2"}, {"episode_id", "S02E05"},
        {"episode_sort", "5"}, {"title", "Pilot"},     {"sort_name", "Pilot, The"},
        {"media_type", "10"}};
    if (row.artist != nullptr) {
        expected["artist"] = row.artist;
    }
    std::map<std::string, std::string> probed = vexo::test_support::ProbedTags(labelled);
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(probed[key], value) << key << " (is ffprobe installed? scripts/bootstrap)";
    }
    const auto before = vexo::test_support::PacketDigests(source);
    ASSERT_TRUE(before && !before->empty());
    EXPECT_EQ(vexo::test_support::PacketDigests(labelled), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FfmpegPeerTest,
    ::testing::Values(
        PeerCase{"Mp4HeaderLast", Container::kMp4, false},
        PeerCase{"Mp4HeaderFirst", Container::kMp4, true},
        PeerCase{"MovHeaderLast", Container::kMov, false},
        PeerCase{"MovHeaderFirst", Container::kMov, true},
        PeerCase{"Mp4WithItunesList", Container::kMp4, true,
                 "-metadata artist=Someone -metadata title=Old", false, "Someone"},
        PeerCase{"MovWithQuickTimeTitle", Container::kMov, false, "-metadata title=Old"},
        PeerCase{"Mp4WithEmptyList", Container::kMp4, false, "-map_metadata -1 -fflags +bitexact"},
        PeerCase{"Mp4WideChunkOffsets", Container::kMp4, true, "", true}),
    [](const auto& param) { return std::string(param.param.label); });

}  // namespace
}  // namespace itunes::library::mp4::test
