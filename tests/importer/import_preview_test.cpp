#include "importer/import_preview.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "importer/episode_labels.h"
#include "tests/importer/fake_library.h"
#include "tests/support/files.h"
#include "tests/support/recording_import_view.h"
#include "tests/support/temp_folder.h"

namespace importer::test {
namespace {

using ::testing::IsEmpty;
using namespace vexo::test_support;

class ImportPreviewTest : public ::testing::Test {
  protected:
    void File(const std::string& relative) { WriteFile(folder.path() / relative, "x"); }
    void Folder(const std::string& relative) {
        std::filesystem::create_directories(folder.path() / relative);
    }

    PreviewTotals Preview() {
        return PreviewImport(folder.Root(),
                             [this](const PreviewEntry& e) { entries.push_back(e); });
    }

    // What the preview said of "season folder/file" (or "season folder/" for a folder).
    std::map<std::string, std::string> Outcomes() const {
        std::map<std::string, std::string> outcomes;
        for (const PreviewEntry& e : entries) {
            const std::string key = e.seasonFolder.onDisk + "/" + e.fileNameOnDisk;
            outcomes[key] = e.kind == PreviewKind::kEpisode
                                ? "season " + std::to_string(e.season) + ", episode " +
                                      std::to_string(e.episode.number) + ": \"" + e.episode.title +
                                      "\""
                                : std::string(SkipReasonText(e.reason));
        }
        return outcomes;
    }

    TempFolder folder{"vexo-preview"};
    std::vector<PreviewEntry> entries;
};

struct NameCase {
    std::string relative;  // below the show folder
    std::string outcome;
};

// Season folders carry "01 Pilot.m4v"; the files lie in "Season 1".
const NameCase kNames[] = {
    {"1/01 Pilot.m4v", "season 1, episode 1: \"Pilot\""},
    {"01/01 Pilot.m4v", "season 1, episode 1: \"Pilot\""},
    {"Season 01/01 Pilot.m4v", "season 1, episode 1: \"Pilot\""},
    {"2 (2006)/01 Pilot.m4v", "season 2, episode 1: \"Pilot\""},
    {"Season 1 2/01 Pilot.m4v", "season 12, episode 1: \"Pilot\""},
    {"Disc 2 Season 3/01 Pilot.m4v", "season 2, episode 1: \"Pilot\""},
    {"1.5/01 Pilot.m4v", "season 2, episode 1: \"Pilot\""},
    {"2.5/01 Pilot.m4v", "season 2, episode 1: \"Pilot\""},
    {"Season1/", "no number at the start"},
    {"S01/", "no number at the start"},
    {"Specials/", "no number at the start"},
    {"Season 0/", "no number at the start"},
    {"0/", "no number at the start"},
    {"Season 99999999999/", "number out of range"},
    {"Season 1/01 Pilot.m4v", "season 1, episode 1: \"Pilot\""},
    {"Season 1/7 A Title.Mp4", "season 1, episode 7: \"A Title\""},
    {"Season 1/01 - Pilot.mov", "season 1, episode 1: \"- Pilot\""},
    {"Season 1/02 .m4v", "season 1, episode 2: \"\""},
    {"Season 1/0.5 Half.m4v", "season 1, episode 0: \"Half\""},
    {"Season 1/03   Spaced.mp4", "season 1, episode 3: \"Spaced\""},
    {"Season 1/04 Blank .MOV", "season 1, episode 4: \"Blank \""},
    {"Season 1/1x05 Fifth.mp4", "season 1, episode 1: \"Fifth\""},
    {"Season 1/12 Part.avi", "not an MP4, M4V or MOV file"},
    {"Season 1/Pilot.m4v", "no number at the start"},
    {"Season 1/0 Zero.m4v", "no number at the start"},
    {"Season 1/01.m4v", "no blank after the number"},
    {"Season 1/99999999999 Big.mp4", "number out of range"},
    {"Season 1/notes.txt", "no number at the start"},
};

TEST_F(ImportPreviewTest, ExplainsEverySeasonFolderAndFileByItsName) {
    for (const NameCase& c : kNames) {
        if (c.relative.ends_with('/')) {
            File("The Show/" + c.relative + "01 Pilot.m4v");
        } else {
            File("The Show/" + c.relative);
        }
    }
    const PreviewTotals totals = Preview();

    const std::map<std::string, std::string> outcomes = Outcomes();
    for (const NameCase& c : kNames) {
        SCOPED_TRACE(c.relative);
        const auto found = outcomes.find(c.relative);
        ASSERT_NE(found, outcomes.end());
        EXPECT_EQ(found->second, c.outcome);
    }
    EXPECT_EQ(outcomes.size(), std::size(kNames));
    EXPECT_TRUE(totals.rootHasSubfolders);
    EXPECT_EQ(totals.episodes, 16);
    EXPECT_EQ(totals.skippedSeasonFolders, 6);
    EXPECT_EQ(totals.skippedFiles, 6);
    for (const PreviewEntry& e : entries) {
        EXPECT_EQ(e.show.name, "The Show");
    }
}

TEST_F(ImportPreviewTest, OtherLevelsAreNotMentioned) {
    File("01 Loose.mp4");                   // in the root
    File("Show/01 Loose.mp4");              // in a show folder
    Folder("Show/Season 1/02 Deeper.mp4");  // a folder in a season folder
    File("Show/Season 1/Extras/03 Deep.mp4");
    Folder("Empty Show");

    const PreviewTotals totals = Preview();
    EXPECT_THAT(entries, IsEmpty());
    EXPECT_TRUE(totals.rootHasSubfolders);
    EXPECT_EQ(totals.episodes, 0);
}

TEST_F(ImportPreviewTest, RootWithoutSubfoldersHasNothingToReport) {
    File("01 Pilot.m4v");
    const PreviewTotals totals = Preview();
    EXPECT_FALSE(totals.rootHasSubfolders);
    EXPECT_THAT(entries, IsEmpty());
}

// The preview promises what the import does: the same files, with the same paths.
TEST_F(ImportPreviewTest, NamesExactlyTheFilesTheImportAdds) {
    for (const NameCase& c : kNames) {
        File("The Show/" + c.relative + (c.relative.ends_with('/') ? "01 Pilot.m4v" : ""));
    }
#ifdef _WIN32
    File(" Blank Show/ Season 2/01   Pilot .m4v");  // Windows keeps no blank at a name's end
#else
    File(" Blank Show /Season 2 /01   Pilot .m4v");
#endif
    File("Other/ 3/1 A.MP4");
    File("Other/3/2 B.mp4");

    Preview();
    std::vector<std::string> previewed;
    for (const PreviewEntry& e : entries) {
        if (e.kind == PreviewKind::kEpisode) {
            previewed.push_back(
                EpisodePath(folder.Root(), e.show.onDisk, e.seasonFolder.onDisk, e.fileNameOnDisk));
        }
    }

    auto playlist = std::make_shared<fakes::FakePlaylist>();
    ImportState state;
    state.ImportStopped = false;
    state.MoviesPlaylist = playlist;
    RecordingImportView<> view;
    EpisodeImport(state, view).ImportShows(folder.Root());

    std::vector<std::string> added = playlist->addedPaths;
    std::sort(previewed.begin(), previewed.end());
    std::sort(added.begin(), added.end());
    EXPECT_EQ(previewed, added);
    EXPECT_EQ(previewed.size(), 19u);
}

}  // namespace
}  // namespace importer::test
