#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "importer/itunes/library/media_library.h"
#include "tests/tools/vexo/library_test_support.h"
#include "tools/testmedia/test_media.h"

namespace vexo::cli::test {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::StartsWith;

// --- Arguments and help ---------------------------------------------------------------------

struct UsageCase {
    std::vector<std::string_view> args;
    int status;
    std::string outStarts;
    std::string errContains;

    friend void PrintTo(const UsageCase& c, std::ostream* os) {
        for (std::string_view arg : c.args) {
            *os << arg << ' ';
        }
    }
};

class LibraryUsageTest : public LibraryPrefixTest, public testing::WithParamInterface<UsageCase> {};

TEST_P(LibraryUsageTest, AnswersOnTheRightStreamWithTheRightStatus) {
    const UsageCase& c = GetParam();
    const LibraryRun run = Library(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_THAT(run.out, StartsWith(c.outStarts));
    EXPECT_THAT(run.err, HasSubstr(c.errContains));
    // Neither help nor a usage error installs anything.
    EXPECT_FALSE(fs::exists(common::MediaLibraryPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Subcommands, LibraryUsageTest,
    testing::Values(
        UsageCase{{}, kExitUsage, "", "no subcommand given"},
        UsageCase{{"frobnicate"}, kExitUsage, "", "unknown subcommand \"frobnicate\""},
        UsageCase{{"install", "now"}, kExitUsage, "", "install takes only --no-file-tags"},
        UsageCase{{"uninstall", "-f"}, kExitUsage, "", "uninstall takes no arguments"},
        UsageCase{{"list", "Movies", "Library"}, kExitUsage, "", "only one PLAYLIST"},
        UsageCase{{"list", "--xml"}, kExitUsage, "", "unknown option \"--xml\""},
        UsageCase{{"add"}, kExitUsage, "", "no FILE given"},
        UsageCase{{"tags"}, kExitUsage, "", "no FILE given"},
        UsageCase{{"file-tags", "maybe"}, kExitUsage, "", "takes on or off"},
        UsageCase{
            {"install", "--help"}, kExitOk, "Usage: vexo library install [--no-file-tags]\n", ""},
        UsageCase{{"uninstall", "-h"}, kExitOk, "Usage: vexo library uninstall\n", ""},
        UsageCase{{"list", "--help"}, kExitOk, "Usage: vexo library list", ""},
        UsageCase{{"add", "/?"}, kExitOk, "Usage: vexo library add FILE...\n", ""},
        // Without a library, list and add say so instead of creating one.
        UsageCase{{"list"}, kExitFailed, "", "not installed"},
        UsageCase{{"list", "--json"}, kExitFailed, "", "not installed"},
        UsageCase{{"add", "/nowhere/clip.mp4"}, kExitFailed, "", "not installed"},
        UsageCase{{"file-tags", "off"}, kExitFailed, "", "not installed"},
        UsageCase{{"tags", "/nowhere/clip.mp4"}, kExitFailed, "", "No such file"}));

TEST(LibraryToolTest, ToolListsTheCommandAndItsHelp) {
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string_view> args = {"library", "--help"};
    EXPECT_EQ(RunTool(args, out, err), kExitOk);
    EXPECT_THAT(out.str(), StartsWith("Usage: vexo library install [--no-file-tags]\n"));
}

// --- Listing and adding ---------------------------------------------------------------------

class LibraryTracksTest : public LibraryPrefixTest {
  protected:
    void SetUp() override {
        LibraryPrefixTest::SetUp();
        const LibraryRun run = Library({"install"});
        ASSERT_EQ(run.status, kExitOk) << run.err;
    }

    std::string Clip(std::string_view name, testmedia::Container container) {
        const std::string path = Outside(name);
        EXPECT_TRUE(testmedia::WriteVideoClip(path, container));
        return path;
    }

    std::string Junk(std::string_view name, std::string_view bytes) {
        const std::string path = Outside(name);
        WriteFile(path, bytes);
        return path;
    }
};

TEST_F(LibraryTracksTest, EmptyLibraryListsNothing) {
    EXPECT_EQ(Library({"list"}).out, "0 tracks in \"Movies\"\n");
    const LibraryRun json = Library({"list", "--json"});
    EXPECT_EQ(json.status, kExitOk);
    EXPECT_EQ(json.out, "[]\n");
    EXPECT_EQ(Library({"list", "Library", "--json"}).out, "[]\n");
}

TEST_F(LibraryTracksTest, UnknownPlaylistFails) {
    const LibraryRun run = Library({"list", "--json", "Podcasts"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr("no playlist \"Podcasts\""));
}

TEST_F(LibraryTracksTest, RealClipsAreAddedAndJunkIgnoredWithItsReason) {
    const std::string mp4 = Clip("Episode 1.mp4", testmedia::Container::kMp4);
    const std::string mov = Clip("Episode 2.mov", testmedia::Container::kMov);
    const std::string text = Junk("notes.mp4", "this is text, not a movie\n");
    const std::string empty = Junk("empty.m4v", "");

    const LibraryRun add = Library({"add", mp4, text, mov, empty, mp4});
    EXPECT_EQ(add.status, kExitOk) << add.err;
    EXPECT_THAT(add.out, HasSubstr(mp4 + ": added\n"));
    EXPECT_THAT(add.out, HasSubstr(mov + ": added\n"));
    EXPECT_THAT(add.out, HasSubstr(text + ": ignored: "));
    EXPECT_THAT(add.out, HasSubstr(empty + ": ignored: "));
    EXPECT_THAT(add.out, HasSubstr(mp4 + ": ignored: already in the library\n"));

    // Five frames at 25 per second; whether the last frame's own length counts is the
    // probe's concern, so the listing is compared with the duration the library keeps.
    const auto stored = itunes::library::MediaLibrary::OpenExisting(common::MediaLibraryPath())
                            ->ListTracks("Movies");
    ASSERT_TRUE(stored.has_value());
    ASSERT_EQ(stored->size(), 2u);
    std::vector<std::string> durations;
    for (const itunes::library::TrackRecord& track : *stored) {
        EXPECT_GE(track.duration_ms, 160);
        EXPECT_LE(track.duration_ms, 200);
        durations.push_back(std::to_string(track.duration_ms));
    }

    const LibraryRun json = Library({"list", "--json"});
    ASSERT_EQ(json.status, kExitOk) << json.err;
    EXPECT_EQ(json.out,
              "[\n"
              "  {\"location\": \"" +
                  mp4 +
                  "\", \"name\": \"Episode 1\", \"show\": \"\", "
                  "\"season_number\": 0, \"episode_id\": \"\", \"episode_number\": 0, "
                  "\"sort_name\": \"\", \"video_kind\": 0, \"duration_ms\": " +
                  durations[0] +
                  ", \"width\": 64, "
                  "\"height\": 48, \"codec\": \"mpeg4\", \"file_tags\": \"-\"},\n"
                  "  {\"location\": \"" +
                  mov +
                  "\", \"name\": \"Episode 2\", \"show\": \"\", "
                  "\"season_number\": 0, \"episode_id\": \"\", \"episode_number\": 0, "
                  "\"sort_name\": \"\", \"video_kind\": 0, \"duration_ms\": " +
                  durations[1] +
                  ", \"width\": 64, "
                  "\"height\": 48, \"codec\": \"mpeg4\", \"file_tags\": \"-\"}\n"
                  "]\n");

    const LibraryRun text_ = Library({"list"});
    EXPECT_THAT(text_.out, StartsWith("1. " + mp4 + "\n   name: Episode 1\n"));
    EXPECT_THAT(text_.out, HasSubstr("2 tracks in \"Movies\"\n"));
}

// The library keeps a path as given; the tool gives it an absolute one.
TEST_F(LibraryTracksTest, RelativePathIsAddedAsAbsolute) {
    const std::string clip = Clip("Relative.m4v", testmedia::Container::kM4v);
    const fs::path before = fs::current_path();
    fs::current_path(fs::path(clip).parent_path());
    const LibraryRun add = Library({"add", "Relative.m4v"});
    fs::current_path(before);
    EXPECT_EQ(add.out, clip + ": added\n");
}

TEST_F(LibraryTracksTest, OddNamesStayValidJson) {
    const std::string clip = Clip("Say \"hi\"\\\tnow\x01.mp4", testmedia::Container::kMp4);
    ASSERT_EQ(Library({"add", clip}).status, kExitOk);

    const LibraryRun json = Library({"list", "--json"});
    EXPECT_THAT(json.out, HasSubstr("\"name\": \"Say \\\"hi\\\"\\\\\\tnow\\u0001\""));
    const LibraryRun text = Library({"list"});
    EXPECT_THAT(text.out, HasSubstr("   name: Say \"hi\"\\\\x09now\\x01\n"));
}

}  // namespace
}  // namespace vexo::cli::test
