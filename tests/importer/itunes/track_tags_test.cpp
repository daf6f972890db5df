// The labels a library track is given reaching its file: once per labelling, when the library
// moves on or ends, only the labels set, and not at all while the library's setting is off.
#include "importer/itunes/library/track_tags.h"

#include <gtest/gtest.h>

#include <string>

#include "common/file_byte_source.h"
#include "importer/itunes/library/library_application.h"
#include "importer/itunes/library/media_library.h"
#include "tests/importer/itunes/library_test_support.h"

namespace itunes::library::test {
namespace {

using vexo::testmedia::Container;

mp4::EpisodeTags FileTags(const std::string& path) {
    const auto file = common::FileByteSource::Open(path);
    if (file == nullptr) {
        return {};
    }
    return mp4::ReadEpisodeTags(*file).tags.value_or(mp4::EpisodeTags{});
}

// Labels the playlist's first track as the import does, seven writes in a row.
void LabelFirst(Playlist& movies, const std::string& show) {
    const Ref<Track> track = movies.Tracks()->Next();
    ASSERT_NE(track, nullptr);
    EXPECT_TRUE(track->SetShow(show));
    EXPECT_TRUE(track->SetSeasonNumber(2));
    EXPECT_TRUE(track->SetEpisodeID("Pilot"));
    EXPECT_TRUE(track->SetEpisodeNumber(7));
    EXPECT_TRUE(track->SetName("Pilot"));
    EXPECT_TRUE(track->SetSortName("007"));
    EXPECT_TRUE(track->SetVideoKind(3));
}

const mp4::EpisodeTags kLabelled{"The Show", 2, "Pilot", 7, "Pilot", "007", 3};

struct SettingCase {
    const char* name;
    bool enabled;
    bool written;
    const char* listed;
};

class TrackTagsTest : public ::testing::TestWithParam<SettingCase> {
  protected:
    TempFolder folder_;
    std::string database_ = folder_ / "library.db";
};

TEST_P(TrackTagsTest, OneLabellingReachesTheFileOnceTheLibraryEndsAndOnlyWhenOn) {
    const SettingCase& c = GetParam();
    const std::string clip = MakeClip(folder_, "Pilot", Container::kMp4);
    MediaLibrary::Open(database_)->SetFileTagsEnabled(c.enabled);
    const Bytes before = ReadBytes(clip);
    {
        const Ref<Application> app = OpenLibrary(database_);
        const Ref<Playlist> movies = PlaylistNamed(*app, "Movies");
        ASSERT_TRUE(AddAndWait(*movies, clip));
        LabelFirst(*movies, "The Show");
        // Nothing reaches the file while the labelling may go on.
        EXPECT_EQ(ReadBytes(clip), before);
    }
    EXPECT_EQ(FileTags(clip) == kLabelled, c.written);
    EXPECT_EQ(ReadBytes(clip) == before, !c.written);
    const auto tracks = MediaLibrary::OpenExisting(database_)->ListTracks("Movies");
    ASSERT_TRUE(tracks && tracks->size() == 1);
    EXPECT_EQ(FileLabelsState(tracks->front()), c.listed);
}

INSTANTIATE_TEST_SUITE_P(Setting, TrackTagsTest,
                         ::testing::Values(SettingCase{"On", true, true, "yes"},
                                           SettingCase{"Off", false, false,
                                                       "no (not written yet)"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(TrackTagsFlowTest, ARefusalIsRecordedAndUnlabelledFilesStayAsTheyWere) {
    TempFolder folder;
    const std::string database = folder / "library.db";
    const std::string first = MakeClip(folder, "First", Container::kMp4);
    const std::string second = MakeClip(folder, "Second", Container::kMov);
    const std::string junk = MakeClip(folder, "Junk", Container::kM4v);
    {
        const Ref<Application> app = OpenLibrary(database);
        const Ref<Playlist> movies = PlaylistNamed(*app, "Movies");
        ASSERT_TRUE(AddAndWait(*movies, junk));
        LabelFirst(*movies, "Junk Show");
        // The file stops being media after its add: its labels cannot be written.
        ASSERT_TRUE(WriteFile(junk, "not media any more"));
        ASSERT_TRUE(AddAndWait(*movies, first));
        ASSERT_TRUE(AddAndWait(*movies, second));
    }
    EXPECT_EQ(ReadText(junk), "not media any more");
    const auto tracks = MediaLibrary::OpenExisting(database)->ListTracks("Movies");
    ASSERT_TRUE(tracks && tracks->size() == 3);
    EXPECT_EQ(tracks->at(0).tags_state.rfind("refused: ", 0), 0u) << tracks->at(0).tags_state;
    EXPECT_EQ(FileLabelsState(tracks->at(0)).rfind("no (", 0), 0u);
    // Tracks never labelled keep their files as they were.
    EXPECT_EQ(FileLabelsState(tracks->at(1)), "-");
    EXPECT_EQ(FileTags(first), mp4::EpisodeTags{});
}

}  // namespace
}  // namespace itunes::library::test
