#include "importer/itunes/library/media_probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "tests/importer/itunes/library_test_support.h"
#include "tools/testmedia/test_media.h"

namespace itunes::library::test {
namespace {

using vexo::testmedia::ClipSpec;
using vexo::testmedia::Container;

struct AcceptedCase {
    const char* label;
    Container container;
    bool headerFirst;
};

class AcceptedMediaTest : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedMediaTest, GivesDurationDimensionsAndCodec) {
    TempFolder folder;
    ClipSpec spec;
    spec.width = 80;
    spec.height = 48;
    spec.frames = 5;
    spec.frameRate = 25;
    spec.headerFirst = GetParam().headerFirst;
    const std::string path =
        folder / ("clip" + std::string(vexo::testmedia::Extension(GetParam().container)));
    ASSERT_TRUE(vexo::testmedia::WriteVideoClip(path, GetParam().container, spec));

    ProbeResult result = ProbeMedia(path);
    ASSERT_TRUE(result.media.has_value()) << result.reason;
    EXPECT_TRUE(result.reason.empty());
    EXPECT_EQ(result.media->width, 80);
    EXPECT_EQ(result.media->height, 48);
    EXPECT_EQ(result.media->codec, "mpeg4");
    // Five frames at 25 per second; containers round the last frame's length differently.
    EXPECT_GE(result.media->duration_ms, 160);
    EXPECT_LE(result.media->duration_ms, 240);
}

INSTANTIATE_TEST_SUITE_P(Containers, AcceptedMediaTest,
                         ::testing::Values(AcceptedCase{"Mp4", Container::kMp4, false},
                                           AcceptedCase{"M4v", Container::kM4v, false},
                                           AcceptedCase{"Mov", Container::kMov, false},
                                           AcceptedCase{"Mp4HeaderFirst", Container::kMp4, true}),
                         [](const auto& param) { return std::string(param.param.label); });

// Makes the file to probe in folder and gives its path.
using Maker = std::function<std::string(const TempFolder&)>;

struct RejectedCase {
    const char* label;
    Maker make;
    const char* reason = nullptr;  // when the reason itself matters
};

std::string WriteText(const TempFolder& folder, const std::string& name, const std::string& text) {
    WriteFile(folder / name, text);
    return folder / name;
}

std::string TruncatedClip(const TempFolder& folder, bool headerFirst) {
    ClipSpec spec;
    spec.frames = 25;
    spec.headerFirst = headerFirst;
    const std::string whole = folder / "whole.mp4";
    EXPECT_TRUE(vexo::testmedia::WriteVideoClip(whole, Container::kMp4, spec));
    const auto size = std::filesystem::file_size(whole);
    EXPECT_TRUE(vexo::testmedia::WriteTruncatedCopy(whole, folder / "cut.mp4", size * 3 / 4));
    return folder / "cut.mp4";
}

class RejectedMediaTest : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(RejectedMediaTest, IsRejectedWithAReason) {
    TempFolder folder;
    const std::string path = GetParam().make(folder);
    ProbeResult result = ProbeMedia(path);
    EXPECT_FALSE(result.media.has_value());
    EXPECT_FALSE(result.reason.empty());
    if (GetParam().reason != nullptr) {
        EXPECT_EQ(result.reason, GetParam().reason);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Unusable, RejectedMediaTest,
    ::testing::Values(
        RejectedCase{"TextNamedMp4",
                     [](const TempFolder& f) {
                         return WriteText(f, "notes.mp4", "These are not the frames you want.\n");
                     }},
        RejectedCase{"ZeroBytes",
                     [](const TempFolder& f) { return WriteText(f, "empty.m4v", ""); }},
        RejectedCase{"Missing", [](const TempFolder& f) { return f / "absent.mp4"; }},
        RejectedCase{"Folder",
                     [](const TempFolder& f) {
                         std::filesystem::create_directory(f / "folder.mp4");
                         return f / "folder.mp4";
                     }},
        // Turned away, not waited on for a writer.
        RejectedCase{"Fifo",
                     [](const TempFolder& f) {
                         EXPECT_EQ(mkfifo((f / "pipe.mp4").c_str(), 0600), 0);
                         return f / "pipe.mp4";
                     },
                     "not a regular file"},
        RejectedCase{"FtypOnly",
                     [](const TempFolder& f) {
                         return WriteText(f, "ftyp.mp4",
                                          std::string("\0\0\0\x18"
                                                      "ftypisom\0\0\x02\0isomiso2",
                                                      24));
                     }},
        RejectedCase{"TruncatedHeaderLast",
                     [](const TempFolder& f) { return TruncatedClip(f, false); }},
        RejectedCase{"TruncatedHeaderFirst",
                     [](const TempFolder& f) { return TruncatedClip(f, true); }},
        RejectedCase{"AudioOnly",
                     [](const TempFolder& f) {
                         EXPECT_TRUE(vexo::testmedia::WriteAudioOnlyClip(f / "song.m4a"));
                         return f / "song.m4a";
                     },
                     "no video stream"},
        // Its only picture is cover art, which is not video.
        RejectedCase{"AudioWithCoverArt",
                     [](const TempFolder& f) {
                         EXPECT_TRUE(vexo::testmedia::WriteAudioWithCoverArt(f / "cover.m4a"));
                         return f / "cover.m4a";
                     },
                     "no video stream"},
        // A name that reads as another protocol must still name only a local file.
        RejectedCase{"ProtocolLikeName",
                     [](const TempFolder& f) { return "pipe:" + (f / "x.mp4"); }}),
    [](const auto& param) { return std::string(param.param.label); });

}  // namespace
}  // namespace itunes::library::test
