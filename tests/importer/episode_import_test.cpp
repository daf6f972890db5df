#include "importer/episode_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "importer/files/path.h"
#include "tests/importer/fake_library.h"
#include "tests/support/files.h"
#include "tests/support/recording_import_view.h"
#include "tests/support/temp_folder.h"

namespace importer::test {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using namespace importer::fakes;
using namespace vexo::test_support;

class EpisodeImportTest : public ::testing::Test {
  protected:
    EpisodeImportTest() {
        state.ImportStopped = false;
        state.MoviesPlaylist = playlist;
    }

    void File(const std::string& relative) { WriteFile(folder / relative, "x"); }
    void Folder(const std::string& relative) {
        std::filesystem::create_directories(folder / relative);
    }
    // The path the import builds for a relative path written with "/".
    std::string Joined(std::string relative) const {
        for (char& c : relative) {
            if (c == '/') {
                c = basFiles::kPathSeparator.front();
            }
        }
        return folder.Root() + std::string(basFiles::kPathSeparator) + relative;
    }

    // The labelled tracks as "show|season|episode id|number|sort name".
    std::vector<std::string> Labels() const {
        std::vector<std::string> labels;
        for (const auto& track : playlist->tracks) {
            if (track->Labelled()) {
                labels.push_back(*track->show + "|" + std::to_string(*track->seasonNumber) + "|" +
                                 *track->episodeId + "|" + std::to_string(*track->episodeNumber) +
                                 "|" + *track->sortName);
            }
        }
        return labels;
    }

    TempFolder folder{"vexo-import"};
    std::shared_ptr<FakePlaylist> playlist = std::make_shared<FakePlaylist>();
    ImportState state;
    RecordingImportView<> view;
    EpisodeImport import{state, view};
};

TEST_F(EpisodeImportTest, WalksShowsSeasonsAndEpisodesByTheirNames) {
    for (const char* season :
         {"1", "Season 02", "3 (2006)", "Season1", "S01", "Specials", "Season 0", "1.5"}) {
        File(std::string("The Show/") + season + "/01 Pilot.m4v");
    }
    File("The Show/Season 02/7 A Title.Mp4");
    File("The Show/Season 02/12 Part.avi");
    File("The Show/Season 02/Pilot.m4v");
    File("The Show/Season 02/01.m4v");
    File("The Show/Season 02/0.5 Half.mov");
    File("The Show/loose 01 File.mp4");  // a file in a show folder is no episode
    Folder("The Show/1/02 Deeper.mp4");  // nor is a folder in a season folder
    File("Other/Disc 2 Season 3/01   Spaced .m4v");

    import.ImportShows(folder.Root());

    EXPECT_THAT(Labels(), UnorderedElementsAre("The Show|1|Pilot|1|001", "The Show|2|Pilot|1|001",
                                               "The Show|3|Pilot|1|001", "The Show|2|Pilot|1|001",
                                               "The Show|2|A Title|7|007", "The Show|2|Half|0|000",
                                               "Other|2|Spaced|1|001"));
    EXPECT_EQ(state.FilesAdded, 7);
    ASSERT_FALSE(view.statusTexts.empty());
    EXPECT_EQ(view.statusTexts.back(), "OK");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "7 files added.");
    EXPECT_EQ(view.messages[0].caption, "VEXO(tm) Plumex TV");
    EXPECT_EQ(view.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(view.messages[0].buttons, MessageButtons::Ok);
}

TEST_F(EpisodeImportTest, HandsTheLibraryThePathAsItIsOnDisk) {
    File("Show/Season 1/01   Pilot .m4v");
    import.ImportShows(folder.Root());
    ASSERT_THAT(playlist->addedPaths, ElementsAre(Joined("Show/Season 1/01   Pilot .m4v")));
    EXPECT_THAT(Labels(), ElementsAre("Show|1|Pilot|1|001"));
    // the status keeps the blank before the extension; the labels do not
    ASSERT_GE(view.statusTexts.size(), 2u);
    ASSERT_GE(playlist->tracks.size(), 1u);
    EXPECT_EQ(view.statusTexts[view.statusTexts.size() - 2], "Labeling Pilot ");
    EXPECT_EQ(*playlist->tracks[0]->name, "Pilot");
    EXPECT_EQ(*playlist->tracks[0]->videoKind, 3);
}

TEST_F(EpisodeImportTest, ReportsOnlyWhenTheRootHasASubfolder) {
    File("loose 01 File.mp4");
    import.ImportShows(folder.Root());
    EXPECT_TRUE(view.messages.empty());

    Folder("Empty Show");
    import.ImportShows(folder.Root());
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "0 files added.");
}

TEST_F(EpisodeImportTest, CancelDuringTheWalkKeepsTheCountReachedAndStillReports) {
    for (int i = 1; i <= 5; ++i) {
        File("Show/1/" + std::to_string(i) + " Episode.mp4");
    }
    view.onYield = [&] {
        if (state.FilesAdded == 3) {
            state.ImportStopped = true;
        }
    };
    import.ImportShows(folder.Root());
    EXPECT_EQ(state.FilesAdded, 3);
    EXPECT_EQ(playlist->addedPaths.size(), 3u);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "3 files added.");
}

TEST_F(EpisodeImportTest, WaitsForTheAddAndLabelsOnlyTheFirstMatchingTrack) {
    auto earlier = std::make_shared<FakeTrack>();
    earlier->location = Joined("Show/1/01 Pilot.mp4");
    playlist->tracks.push_back(earlier);
    playlist->busyReads = 4;
    File("Show/1/01 Pilot.mp4");

    import.ImportShows(folder.Root());

    EXPECT_TRUE(earlier->Labelled());
    ASSERT_GE(playlist->tracks.size(), 2u);
    EXPECT_FALSE(playlist->tracks[1]->Labelled());
    EXPECT_EQ(state.FilesAdded, 1);
    EXPECT_GE(view.yields, 4);
}

// A track whose location differs from the file's path only in case and end blanks is the
// file's own where the file system ignores those, another file's where names are bytes.
TEST_F(EpisodeImportTest, ACaseOrBlankVariantMatchesByThePlatformsRuleForNames) {
    auto variant = std::make_shared<FakeTrack>();
    variant->location = "  " + Joined("SHOW/1/01 PILOT.MP4 ");
    playlist->tracks.push_back(variant);
    File("Show/1/01 Pilot.mp4");

    import.ImportShows(folder.Root());

    const bool sameFile = basFiles::kFileNameRule == basFiles::FileNameRule::kTrimmedUpperCase;
    EXPECT_EQ(variant->Labelled(), sameFile);
    ASSERT_EQ(playlist->tracks.size(), 2u);
    EXPECT_EQ(playlist->tracks[1]->Labelled(), !sameFile);
    EXPECT_EQ(state.FilesAdded, 1);
}

TEST_F(EpisodeImportTest, CancelWhileTheAddIsInProgressLabelsNothing) {
    playlist->busyReads = 1000;
    int reads = 0;
    playlist->onStatusRead = [&] {
        if (++reads == 3) {
            state.ImportStopped = true;
        }
    };
    File("Show/1/01 Pilot.mp4");
    import.ImportShows(folder.Root());
    EXPECT_EQ(reads, 3);
    EXPECT_TRUE(Labels().empty());
    EXPECT_EQ(state.FilesAdded, 0);
}

TEST_F(EpisodeImportTest, NoStatusOrFailedWritesDecideTheCount) {
    File("Show/1/01 Pilot.mp4");
    playlist->giveStatus = false;
    import.ImportShows(folder.Root());
    EXPECT_EQ(state.FilesAdded, 0);

    // a track whose writes all fail is still counted
    playlist->giveStatus = true;
    auto stubborn = std::make_shared<FakeTrack>();
    stubborn->location = Joined("Show/1/01 Pilot.mp4");
    stubborn->failWrites = true;
    playlist->tracks.push_back(stubborn);
    import.ImportShows(folder.Root());
    EXPECT_EQ(state.FilesAdded, 1);
    EXPECT_FALSE(stubborn->Labelled());
}

TEST_F(EpisodeImportTest, ShowsTheEpisodeInTheDisplayFields) {
    File("The Show/Season 4/12 The Big Game.MOV");
    import.ImportShows(folder.Root());
    EXPECT_EQ(view.fields[DisplayField::Show], "The Show");
    EXPECT_EQ(view.fields[DisplayField::EpisodeID], "The Big Game");
    EXPECT_EQ(view.fields[DisplayField::EpisodeNumber], "12");
    EXPECT_EQ(view.fields[DisplayField::SeasonNumber], "4");
    ASSERT_FALSE(view.statusTexts.empty());
    EXPECT_EQ(view.statusTexts.front(), "Adding The Big Game");
}

// --- The wait for an add ----------------------------------------------------------------------

// A window that sleeps in the wait for an add; what happens while it sleeps is the test's. Its
// waits are written down one letter each: U until woken, B briefly.
class SleepingView : public RecordingImportView<> {
  public:
    bool hasWaker = true;
    int wakes = 0;
    std::string waits;
    std::function<void()> whileAsleep;

    std::function<void()> Waker() override {
        if (!hasWaker) {
            return {};
        }
        return [this] { ++wakes; };
    }
    void WaitForEvents(IdleWait idle) override {
        waits += idle == IdleWait::UntilWoken ? 'U' : 'B';
        if (whileAsleep) {
            whileAsleep();
        }
    }
};

enum class InWait { Nothing, AddEnds, CancelConfirmed };

struct WaitCase {
    std::string name;
    bool viewHasWaker;
    bool statusNotifies;
    int failedReads;
    int busyReads;
    InWait event;
    int eventAtWait;  // the event comes in this wait (the first is 1)
    std::string waits;
    int wakes;
    int filesAdded;

    friend void PrintTo(const WaitCase& c, std::ostream* os) { *os << c.name; }
};

class AddWaitTest : public ::testing::TestWithParam<WaitCase> {};

TEST_P(AddWaitTest, SleepsUntilTheAddEndsOrAnEventEndsTheImport) {
    const WaitCase& c = GetParam();
    auto playlist = std::make_shared<FakePlaylist>();
    playlist->notifies = c.statusNotifies;
    playlist->failedReads = c.failedReads;
    playlist->busyReads = c.busyReads;
    ImportState state;
    state.ImportStopped = false;
    state.MoviesPlaylist = playlist;
    SleepingView view;
    view.hasWaker = c.viewHasWaker;
    view.whileAsleep = [&] {
        if (static_cast<int>(view.waits.size()) != c.eventAtWait) {
            return;
        }
        if (c.event == InWait::AddEnds) {
            playlist->lastStatus->End();
        } else if (c.event == InWait::CancelConfirmed) {
            state.ImportStopped = true;
        }
    };

    EpisodeImport(state, view)
        .AddAndLabelEpisode(
            {"root", {"Show", "Show"}, {"1", "1"}, 1, "01", 1, "Pilot", "mp4", "01 Pilot.mp4"});

    EXPECT_EQ(view.waits, c.waits);
    EXPECT_EQ(view.wakes, c.wakes);
    EXPECT_EQ(state.FilesAdded, c.filesAdded);
}

constexpr int kBusy = 1000;
using enum InWait;

// name, the view has a waker, the status notifies, failed and busy reads, the event and the wait
// it comes in; the waits, the wakes and the files labelled.
const WaitCase kWaitCases[] = {
    {"TheAddsEndAloneEndsTheSleep", true, true, 0, kBusy, AddEnds, 1, "U", 1, 1},
    {"ACancelInsideTheSleepEndsTheImport", true, true, 0, kBusy, CancelConfirmed, 1, "U", 0, 0},
    {"AnEndBeforeTheFirstReadNeedsNoSleep", true, true, 0, 0, Nothing, 0, "", 0, 1},
    {"AFailedReadSaysNothingOfTheEnd", true, true, 1, kBusy, AddEnds, 2, "BU", 1, 1},
    {"AStatusThatCannotTellIsReadAfterBriefSleeps", true, false, 0, 2, Nothing, 0, "BB", 0, 1},
    {"AViewWithoutAWakerSleepsBriefly", false, true, 0, 2, Nothing, 0, "BB", 0, 1},
};

INSTANTIATE_TEST_SUITE_P(Cases, AddWaitTest, ::testing::ValuesIn(kWaitCases),
                         [](const auto& row) { return row.param.name; });

// --- The search through the library's index ---------------------------------------------------

// A track in the playlist before the add: before + the joined relative path + after.
struct EarlierTrack {
    std::string before, relative, after;
};

struct IndexCase {
    std::string name;
    std::vector<EarlierTrack> earlier;
    bool cancelInSearch = false;  // confirmed in the first yield after the add
    int labelled = 1;
};

class IndexedSearchTest : public EpisodeImportTest,
                          public ::testing::WithParamInterface<IndexCase> {
  protected:
    // Which tracks an import of Show/1/01 Pilot.mp4 labels, with or without the index.
    std::vector<bool> Labelled(bool indexed) {
        auto fresh = std::make_shared<FakePlaylist>();
        fresh->indexed = indexed;
        for (const EarlierTrack& earlier : GetParam().earlier) {
            fresh->tracks.push_back(std::make_shared<FakeTrack>());
            fresh->tracks.back()->location =
                earlier.before + Joined(earlier.relative) + earlier.after;
        }
        state.MoviesPlaylist = fresh;
        state.ImportStopped = false;
        view.onYield = [this] {
            state.ImportStopped =
                state.ImportStopped || (GetParam().cancelInSearch && !view.statusTexts.empty() &&
                                        view.statusTexts.back().starts_with("Adding "));
        };
        import.ImportShows(folder.Root());
        std::vector<bool> labelled;
        for (const auto& track : fresh->tracks) {
            labelled.push_back(track->Labelled());
        }
        // Where the index is offered, the tracks are never walked.
        EXPECT_EQ(fresh->listings, indexed ? 0 : 1);
        return labelled;
    }
};

TEST_P(IndexedSearchTest, LabelsTheTrackTheWalkLabels) {
    File("Show/1/01 Pilot.mp4");
    const std::vector<bool> walked = Labelled(false);
    EXPECT_EQ(std::count(walked.begin(), walked.end(), true), GetParam().labelled);
    EXPECT_EQ(Labelled(true), walked);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexedSearchTest,
    ::testing::Values(
        IndexCase{"OnlyTheNewTrack", {}},
        IndexCase{"AnotherFileFirst", {{"", "Show/1/02 Other.mp4", ""}}},
        IndexCase{"TheFirstOfTwoWithTheFilesLocation",
                  {{"", "Show/1/01 Pilot.mp4", ""}, {"", "Show/1/01 Pilot.mp4", ""}}},
        IndexCase{"ACaseOrBlankVariantByThePlatformsRule", {{"  ", "SHOW/1/01 PILOT.MP4", " "}}},
        IndexCase{
            "ACancelBeforeTheFilesTrackIsReached", {{"", "Show/1/02 Other.mp4", ""}}, true, 0}),
    [](const auto& row) { return row.param.name; });

}  // namespace
}  // namespace importer::test
