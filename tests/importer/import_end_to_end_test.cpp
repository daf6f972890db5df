// A real tree of real clips imported into the embedded library, checked track by track, and in
// the files themselves as FFmpeg reads them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "importer/episode_import.h"
#include "importer/itunes/library/library_application.h"
#include "importer/itunes/library/media_library.h"
#include "tests/support/files.h"
#include "tests/support/media_packets.h"
#include "tests/support/recording_import_view.h"
#include "tests/support/temp_folder.h"
#include "tools/testmedia/test_media.h"

namespace importer::test {
namespace {

using vexo::testmedia::Container;
using namespace vexo::test_support;

TEST(ImportEndToEnd, LabelsEveryEpisodeInTheEmbeddedLibrary) {
    TempFolder folder("vexo-import-e2e");
    const std::string root = folder / "TV";
    const auto clip = [&](const std::string& relative, Container container) {
        const std::filesystem::path path = std::filesystem::path(root) / relative;
        std::filesystem::create_directories(path.parent_path());
        ASSERT_TRUE(vexo::testmedia::WriteVideoClip(path.string(), container));
    };
    clip("The Show/Season 1/01 Pilot.m4v", Container::kM4v);
    clip("The Show/2/12 The Big Game.MOV", Container::kMov);
    clip("Other Show/Season 01/1x03 Third.mp4", Container::kMp4);
    clip("Other Show/Season 01/02   Spaced Out.mp4", Container::kMp4);
    WriteFile(std::filesystem::path(root) / "Other Show/Season 01/04 Not Media.mp4", "x");
    std::map<std::string, std::optional<std::vector<std::uint64_t>>> packets;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        packets[entry.path().string()] = PacketDigests(entry.path().string());
    }

    const std::string database = folder / "library.db";
    ImportState state;
    RecordingImportView<> view;
    {
        const itunes::Ref<itunes::Application> app = itunes::library::OpenLibrary(database);
        ASSERT_NE(app, nullptr);
        state.ImportStopped = false;
        state.iTunesApp = app;
        state.MoviesPlaylist =
            app->Sources()->ItemByName("Library")->Playlists()->ItemByName("Movies");
        ASSERT_NE(state.MoviesPlaylist, nullptr);
        EpisodeImport(state, view).ImportShows(root);
        // As the program lets go of the library after an import: the last labels reach
        // their file.
        state.MoviesPlaylist.reset();
        state.iTunesApp.reset();
    }

    EXPECT_EQ(state.FilesAdded, 4);
    EXPECT_THAT(view.MessageTexts(), ::testing::ElementsAre("4 files added."));

    const auto library = itunes::library::MediaLibrary::OpenExisting(database);
    ASSERT_NE(library, nullptr);
    const auto tracks = library->ListTracks("Movies");
    ASSERT_TRUE(tracks.has_value());
    ASSERT_EQ(tracks->size(), 4u);
    std::map<std::string, itunes::library::TrackRecord> byName;
    for (const auto& track : *tracks) {
        EXPECT_EQ(track.video_kind, 3);
        EXPECT_GT(track.width, 0);
        byName[track.name] = track;
    }
    struct Expected {
        std::string name, show, relative;
        std::int32_t season, episode;
        std::string sortName;
    };
    const Expected expected[] = {
        {"Pilot", "The Show", "The Show/Season 1/01 Pilot.m4v", 1, 1, "001"},
        {"The Big Game", "The Show", "The Show/2/12 The Big Game.MOV", 2, 12, "012"},
        {"Third", "Other Show", "Other Show/Season 01/1x03 Third.mp4", 1, 1, "001"},
        {"Spaced Out", "Other Show", "Other Show/Season 01/02   Spaced Out.mp4", 1, 2, "002"},
    };
    for (const Expected& e : expected) {
        ASSERT_TRUE(byName.contains(e.name)) << e.name;
        const auto& track = byName[e.name];
        EXPECT_EQ(track.location, root + "/" + e.relative);
        EXPECT_EQ(track.show, e.show);
        EXPECT_EQ(track.episode_id, e.name);
        EXPECT_EQ(track.season_number, e.season);
        EXPECT_EQ(track.episode_number, e.episode);
        EXPECT_EQ(track.sort_name, e.sortName);

        const std::string file = root + "/" + e.relative;
        const std::map<std::string, std::string> tags = ProbedTags(file);
        const std::map<std::string, std::string> wanted = {
            {"show", e.show},       {"season_number", std::to_string(e.season)},
            {"episode_id", e.name}, {"episode_sort", std::to_string(e.episode)},
            {"title", e.name},      {"sort_name", e.sortName},
            {"media_type", "10"}};
        for (const auto& [key, value] : wanted) {
            EXPECT_EQ(tags.contains(key) ? tags.at(key) : "<none>", value)
                << file << ": " << key << " (ffprobe is installed by scripts/bootstrap)";
        }
        EXPECT_EQ(PacketDigests(file), packets[file]) << file;
        EXPECT_TRUE(packets[file].has_value());
    }
    EXPECT_EQ(ReadText(root + "/Other Show/Season 01/04 Not Media.mp4"), "x");
}

}  // namespace
}  // namespace importer::test
