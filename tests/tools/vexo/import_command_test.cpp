#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "importer/itunes/library/media_library.h"
#include "tests/importer/colliding_names.h"
#include "tests/support/hang_guard.h"
#include "tests/tools/vexo/library_test_support.h"
#include "tools/testmedia/test_media.h"
#include "tools/vexo/import_command.h"
#include "tools/vexo/interrupt_guard.h"

namespace vexo::cli::test {
namespace {

namespace fs = std::filesystem;
using itunes::library::TrackRecord;
using testing::EndsWith;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;
using testmedia::Container;

std::size_t Occurrences(const std::string& text, std::string_view part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class ImportCommandTest : public LibraryPrefixTest {
  protected:
    LibraryRun Import(std::vector<std::string_view> args,
                      std::function<void(const ConsoleView&)> onYield = {}) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunImport(args, api(), out, err, std::move(onYield));
        return {status, out.str(), err.str()};
    }

    void Install() {
        const LibraryRun run = Library({"install"});
        ASSERT_EQ(run.status, kExitOk) << run.err;
    }

    std::string Tv() const { return Outside("TV"); }

    void Clip(const std::string& relative, Container container) {
        ClipIn(Tv(), relative, container);
    }
    void ClipIn(const std::string& folder, const std::string& relative, Container container) {
        const fs::path path = fs::path(folder) / relative;
        fs::create_directories(path.parent_path());
        ASSERT_TRUE(testmedia::WriteVideoClip(path.string(), container)) << relative;
    }
    void Junk(const std::string& relative) {
        WriteFile(fs::path(Tv()) / relative, "not a movie\n");
    }

    std::vector<TrackRecord> Movies() {
        const auto library =
            itunes::library::MediaLibrary::OpenExisting(common::MediaLibraryPath());
        if (library == nullptr) {
            return {};
        }
        return library->ListTracks("Movies").value_or(std::vector<TrackRecord>{});
    }
};

// --- Arguments, help and what needs no library ---------------------------------------------

struct UsageCase {
    std::vector<std::string_view> args;
    int status;
    std::string errContains;

    friend void PrintTo(const UsageCase& c, std::ostream* os) {
        for (std::string_view arg : c.args) {
            *os << arg << ' ';
        }
    }
};

class ImportUsageTest : public ImportCommandTest, public testing::WithParamInterface<UsageCase> {};

TEST_P(ImportUsageTest, RefusesBeforeTouchingTheLibrary) {
    fs::create_directories(Outside("TV/Show/1"));
    WriteFile(Outside("file.txt"), "x");
    const UsageCase& c = GetParam();
    std::vector<std::string> args;
    for (std::string_view arg : c.args) {
        args.push_back(arg.starts_with("@") ? Outside(arg.substr(1)) : std::string(arg));
    }
    const LibraryRun run = Import({args.begin(), args.end()});
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(c.errContains));
    EXPECT_FALSE(fs::exists(common::MediaLibraryPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ImportUsageTest,
    testing::Values(UsageCase{{}, kExitUsage, "no FOLDER given"},
                    UsageCase{{"--dry-run"}, kExitUsage, "no FOLDER given"},
                    UsageCase{{"--force", "@TV"}, kExitUsage, "unknown option \"--force\""},
                    UsageCase{{"@TV", "@TV"}, kExitUsage, "only one FOLDER"},
                    UsageCase{{""}, kExitUsage, "FOLDER is empty"},
                    UsageCase{{"@nowhere"}, kExitFailed, "nowhere: no such folder"},
                    UsageCase{{"--dry-run", "@nowhere"}, kExitFailed, "no such folder"},
                    UsageCase{{"@file.txt"}, kExitFailed, "file.txt is not a folder"},
                    // the start-up checks refuse while the library is not installed
                    UsageCase{{"@TV"},
                              kExitFailed,
                              "vexo import: iTunes not detected in registry. Please reinstall "
                              "iTunes.\n"}));

TEST(ImportToolTest, HelpExplainsTheCommand) {
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string_view> args = {"import", "--help"};
    EXPECT_EQ(RunTool(args, out, err), kExitOk);
    EXPECT_THAT(out.str(), StartsWith("Usage: vexo import [--dry-run] FOLDER\n"));
    for (const char* topic : {"vexo library install", "files added.", "Ctrl+C", "--dry-run",
                              "no blank after the number", "Exit status"}) {
        EXPECT_THAT(out.str(), HasSubstr(topic));
    }
    std::ostringstream tool;
    EXPECT_EQ(RunTool(std::vector<std::string_view>{"--help"}, tool, err), kExitOk);
    EXPECT_THAT(tool.str(), HasSubstr("  import      "));
}

TEST_F(ImportCommandTest, DryRunAddsNothingAndExplainsTheSkips) {
    Install();
    Clip("The Show/Season 1/01 Pilot.m4v", Container::kM4v);
    Junk("The Show/Season 1/Pilot.m4v");
    Junk("The Show/Season 1/01.m4v");
    Junk("The Show/Season 1/02 Notes.txt");
    Junk("The Show/Season 1/99999999999 Huge.mp4");
    Junk("The Show/Specials/01 Extra.mp4");
    Junk("The Show/Season \x01/01 Odd.mp4");

    const LibraryRun run = Import({"--dry-run", Tv()});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    for (const char* line : {
             "add  The Show/Season 1/01 Pilot.m4v -> The Show - season 1, episode 1: Pilot\n",
             "skip The Show/Season 1/Pilot.m4v: no number at the start\n",
             "skip The Show/Season 1/01.m4v: no blank after the number\n",
             "skip The Show/Season 1/02 Notes.txt: not an MP4, M4V or MOV file\n",
             "skip The Show/Season 1/99999999999 Huge.mp4: number out of range\n",
             "skip The Show/Specials/: season folder skipped: no number at the start\n",
             "skip The Show/Season \\x01/: season folder skipped: no number at the start\n",
         }) {
        EXPECT_THAT(run.out, HasSubstr(line));
    }
    EXPECT_THAT(run.out,
                EndsWith("\n1 file would be added; 2 season folders and 4 files skipped.\n"));
    EXPECT_EQ(Occurrences(run.out, "\n"), 8u);
    EXPECT_TRUE(Movies().empty());
}

TEST_F(ImportCommandTest, DryRunNeedsNoLibrary) {
    Junk("Show/Season 2/03 Third.MOV");
    const LibraryRun run = Import({"--dry-run", Tv()});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out,
              "add  Show/Season 2/03 Third.MOV -> Show - season 2, episode 3: Third\n"
              "1 file would be added; 0 season folders and 0 files skipped.\n");
    EXPECT_FALSE(fs::exists(common::MediaLibraryPath()));
}

// --- Importing -----------------------------------------------------------------------------

TEST_F(ImportCommandTest, LabelsEveryEpisodeAndReportsTheCountLast) {
    Install();
    Clip("The Show/Season 1/01 Pilot.m4v", Container::kM4v);
    Clip("The Show/2/12 The Big Game.MOV", Container::kMov);
    Clip("Other Show/Season 01/1x03 Third.mp4", Container::kMp4);
    Junk("Other Show/Season 01/04 Not Media.mp4");  // handed over, but the library refuses it
    Junk("Other Show/Specials/05 Extra.mp4");

    // A relative folder is made absolute, as the library keeps paths as given.
    const fs::path before = fs::current_path();
    fs::current_path(Outside(""));
    const LibraryRun run = Import({"./TV/"});
    fs::current_path(before);

    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "3 files added.\n");
    EXPECT_THAT(run.err, HasSubstr("iTunes v7.1 detected\n"));
    EXPECT_THAT(run.err, HasSubstr("] The Show - season 1, episode 1: Pilot\n"));
    EXPECT_THAT(run.err, HasSubstr("] Other Show - season 1, episode 1: Third\n"));
    EXPECT_THAT(run.err, HasSubstr("] Other Show - season 1, episode 4: Not Media\n"
                                   "    not labelled: the library did not take the file\n"));
    EXPECT_EQ(Occurrences(run.err, "not labelled"), 1u);
    EXPECT_THAT(run.err, Not(HasSubstr("[5] ")));

    struct Expected {
        std::string show;
        std::int32_t season, episode;
        std::string sortName;
    };
    const std::map<std::string, Expected> expected = {
        {"The Show/Season 1/01 Pilot.m4v", {"The Show", 1, 1, "001"}},
        {"The Show/2/12 The Big Game.MOV", {"The Show", 2, 12, "012"}},
        {"Other Show/Season 01/1x03 Third.mp4", {"Other Show", 1, 1, "001"}},
    };
    const std::vector<TrackRecord> tracks = Movies();
    ASSERT_EQ(tracks.size(), 3u);
    for (const TrackRecord& track : tracks) {
        SCOPED_TRACE(track.location);
        ASSERT_THAT(track.location, StartsWith(Tv() + "/"));
        const auto found = expected.find(track.location.substr(Tv().size() + 1));
        ASSERT_NE(found, expected.end());
        EXPECT_EQ(track.show, found->second.show);
        EXPECT_EQ(track.season_number, found->second.season);
        EXPECT_EQ(track.episode_number, found->second.episode);
        EXPECT_EQ(track.sort_name, found->second.sortName);
        EXPECT_EQ(track.episode_id, track.name);
        EXPECT_EQ(track.video_kind, 3);
    }
}

TEST_F(ImportCommandTest, FolderWithoutSubfoldersGivesNoReport) {
    Install();
    Clip("01 Loose.mp4", Container::kMp4);
    const LibraryRun run = Import({Tv()});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr("has no subfolders"));
    EXPECT_TRUE(Movies().empty());
}

TEST_F(ImportCommandTest, LibraryThatCannotBeReachedEndsTheProgram) {
    Install();
    Clip("Show/1/01 Pilot.mp4", Container::kMp4);
    ASSERT_TRUE(fs::remove(common::MediaLibraryPath()));
    const LibraryRun run = Import({Tv()});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err,
                HasSubstr("vexo import: Unable to communicate with iTunes. Please reinstall "
                          "iTunes.\n"));
    EXPECT_THAT(run.err, Not(HasSubstr("[1] ")));
}

// --- Names that differ only in case or blanks -------------------------------------------------

class ImportCollisionTest : public ImportCommandTest,
                            public testing::WithParamInterface<importer::test::CollidingPair> {};

TEST_P(ImportCollisionTest, EveryFileIsATrackOfItsOwnWithItsOwnLabels) {
    const importer::test::CollidingPair& pair = GetParam();
    Install();
    Clip(pair.first.relative, Container::kMp4);
    Clip(pair.second.relative, Container::kMp4);

    const LibraryRun run = Import({Tv()});

    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "2 files added.\n");
    EXPECT_THAT(run.err, Not(HasSubstr("not labelled")));
    std::map<std::string, TrackRecord> byLocation;
    for (const TrackRecord& track : Movies()) {
        byLocation[track.location] = track;
    }
    ASSERT_EQ(byLocation.size(), 2u);
    for (const importer::test::EpisodeFile& file : {pair.first, pair.second}) {
        SCOPED_TRACE(file.relative);
        const auto found = byLocation.find(Tv() + "/" + file.relative);
        ASSERT_NE(found, byLocation.end());
        const TrackRecord& track = found->second;
        EXPECT_EQ(track.show, file.show);
        EXPECT_EQ(track.season_number, file.season);
        EXPECT_EQ(track.episode_number, file.episode);
        EXPECT_EQ(track.episode_id, file.title);
        EXPECT_EQ(track.name, file.title);
        EXPECT_EQ(track.video_kind, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, ImportCollisionTest,
                         testing::ValuesIn(importer::test::kCollidingPairs),
                         [](const auto& row) { return row.param.name; });

TEST_F(ImportCommandTest, AFolderNameEndingInABlankIsImportedAsChosen) {
    Install();
    Clip("Beside/1/01 Wrong.mp4", Container::kMp4);  // in TV, the sibling without the blank
    const std::string chosen = Outside("TV ");
    ClipIn(chosen, "Show/1/01 Right.mp4", Container::kMp4);

    const LibraryRun dryRun = Import({"--dry-run", chosen});
    const LibraryRun run = Import({chosen});

    EXPECT_EQ(dryRun.out,
              "add  Show/1/01 Right.mp4 -> Show - season 1, episode 1: Right\n"
              "1 file would be added; 0 season folders and 0 files skipped.\n");
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "1 files added.\n");
    const std::vector<TrackRecord> tracks = Movies();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].location, chosen + "/Show/1/01 Right.mp4");
    EXPECT_EQ(tracks[0].show, "Show");
    EXPECT_EQ(tracks[0].video_kind, 3);
}

// --- Ctrl+C --------------------------------------------------------------------------------

struct InterruptCase {
    std::string name;
    // Ctrl+C comes at the first yield of the file with this number whose status text starts
    // so, and again at the yield after that.
    std::int32_t file;
    std::string statusPrefix;
    std::int32_t labelled;
};

class ImportInterruptTest : public ImportCommandTest,
                            public testing::WithParamInterface<InterruptCase> {};

TEST_P(ImportInterruptTest, StopsAsAConfirmedCancelAndStillReports) {
    const InterruptCase& c = GetParam();
    Install();
    for (int i = 1; i <= 5; ++i) {
        Clip("Show/1/0" + std::to_string(i) + " Episode.mp4", Container::kMp4);
    }
    struct sigaction before {};
    ASSERT_EQ(sigaction(SIGINT, nullptr, &before), 0);
    int interrupts = 0;
    const LibraryRun run = Import({Tv()}, [&](const ConsoleView& view) {
        if (interrupts == 1 || (interrupts == 0 && view.FilesStarted() == c.file &&
                                view.StatusText().starts_with(c.statusPrefix))) {
            ++interrupts;
            raise(SIGINT);
        }
    });

    EXPECT_EQ(interrupts, 2);
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, std::to_string(c.labelled) + " files added.\n");
    EXPECT_EQ(Occurrences(run.err, "Are you sure you want to cancel? Yes\n"), 1u);
    EXPECT_EQ(Occurrences(run.err, "already stopping\n"), 1u);
    EXPECT_EQ(Occurrences(run.err, "    not labelled: the import was stopped\n"),
              c.labelled < c.file ? 1u : 0u);
    EXPECT_THAT(run.err, HasSubstr("[" + std::to_string(c.file) + "] "));
    EXPECT_THAT(run.err, Not(HasSubstr("[" + std::to_string(c.file + 1) + "] ")));

    std::int32_t labelled = 0;
    for (const TrackRecord& track : Movies()) {
        labelled += track.video_kind == 3 ? 1 : 0;
    }
    EXPECT_EQ(labelled, c.labelled);

    // The program's own handling of Ctrl+C ends with the command.
    struct sigaction now {};
    ASSERT_EQ(sigaction(SIGINT, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, before.sa_handler);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, ImportInterruptTest,
    testing::Values(InterruptCase{"AfterTheThirdFileWasLabelled", 3, "Labeling ", 3},
                    // the second file's add is awaited or its track searched for
                    InterruptCase{"WhileTheSecondFileIsAdded", 2, "Adding ", 1}),
    [](const testing::TestParamInfo<InterruptCase>& param) { return param.param.name; });

// --- The wait for an add ----------------------------------------------------------------------

// While the library adds a file the import sleeps; the add's end, from the library's thread, or
// Ctrl+C ends the sleep, whether it comes before the sleep or during it.
enum class Waking { AddEndsMeanwhile, AddEndedBefore, CtrlCMeanwhile };

class ConsoleWaitTest : public testing::TestWithParam<Waking> {};

TEST_P(ConsoleWaitTest, SleepsUntilTheAddEndsOrCtrlC) {
    const test_support::HangGuard guard;
    const InterruptGuard interrupts;
    std::ostringstream out;
    std::ostringstream err;
    ConsoleView view("", out, err);
    int eventRuns = 0;
    view.SetYieldHook([&](const ConsoleView&) { ++eventRuns; });
    const std::function<void()> waker = view.Waker();
    ASSERT_TRUE(waker);

    std::thread other;
    switch (GetParam()) {
        case Waking::AddEndsMeanwhile:
            other = std::thread(waker);
            break;
        case Waking::AddEndedBefore:
            waker();
            break;
        case Waking::CtrlCMeanwhile:
            other = std::thread([] { kill(getpid(), SIGINT); });
            break;
    }
    view.WaitForEvents(importer::IdleWait::UntilWoken);
    if (other.joinable()) {
        other.join();
    }

    EXPECT_EQ(eventRuns, 1);
    EXPECT_FALSE(InterruptGuard::InterruptPending());
}

constexpr const char* kWakingNames[] = {"AddEndsMeanwhile", "AddEndedBefore", "CtrlCMeanwhile"};

INSTANTIATE_TEST_SUITE_P(Wakings, ConsoleWaitTest,
                         testing::Values(Waking::AddEndsMeanwhile, Waking::AddEndedBefore,
                                         Waking::CtrlCMeanwhile),
                         [](const auto& row) {
                             return std::string(kWakingNames[static_cast<int>(row.param)]);
                         });

}  // namespace
}  // namespace vexo::cli::test
