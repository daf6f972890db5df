// Imports trees of real clips, laid out as Show/Season N/NN Title.mp4, with the folder walk and
// labelling Plumex runs (EpisodeImport::ImportShows) into the embedded media library: 1,000 and
// 10,000 episodes into an empty library, and 1,000 more into a library that already holds the
// 10,000. Each figure is a ratio against the 1,000-episode import measured in the same run: an
// import whose cost per file does not grow with the library reads 10x for 10,000 episodes and
// 1x for 1,000 into the full library. Every run must label each of its files, or the program
// fails, so that what is timed is the whole work.
//
// Where the time of a file goes is taken from the calls the import makes anyway (the status
// texts, the add's status, Tracks), with a handful of clock reads per file and none per track.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "importer/episode_import.h"
#include "importer/import_state.h"
#include "importer/import_view.h"
#include "importer/itunes/itunes.h"
#include "importer/itunes/library/library_application.h"
#include "importer/itunes/library/media_library.h"
#include "ratio.h"
#include "tools/testmedia/test_media.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSeasonsPerShow = 10;
constexpr int kEpisodesPerSeason = 25;
constexpr int kEpisodesPerShow = kSeasonsPerShow * kEpisodesPerSeason;

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// Time spent in each step of labelling a file, summed over an import.
struct StepTimes {
    Clock::duration adding{};     // AddFile and the wait until it is no longer in progress
    Clock::duration listing{};    // Tracks
    Clock::duration searching{};  // the walk through the tracks up to the file's own
    Clock::duration writing{};    // the seven property writes
};

// The moments of the file being labelled, as the import's own calls mark them.
struct Timeline {
    StepTimes steps;
    Clock::time_point addStarted;
    Clock::time_point listed;
    Clock::time_point labelStarted;
    bool labelling = false;
};

// Does nothing, as a window with no events pending would; marks the start of the add and of
// the labelling, and the yield that follows the labelled file.
class TimingView final : public importer::ImportView {
  public:
    explicit TimingView(Timeline& timeline) : timeline_(timeline) {}

    std::string report;

    void SetDisplayField(importer::DisplayField, std::string_view) override {}
    void SetStatusText(std::string_view text) override {
        if (text.starts_with("Adding ")) {
            timeline_.addStarted = Clock::now();
        } else if (text.starts_with("Labeling ")) {
            timeline_.labelStarted = Clock::now();
            timeline_.steps.searching += timeline_.labelStarted - timeline_.listed;
            timeline_.labelling = true;
        }
    }
    importer::MessageAnswer ShowMessage(std::string_view text, std::string_view,
                                        importer::MessageButtons, importer::MessageIcon) override {
        report = std::string(text);
        return importer::MessageAnswer::Ok;
    }
    void YieldToEvents() override {
        if (timeline_.labelling) {
            timeline_.steps.writing += Clock::now() - timeline_.labelStarted;
            timeline_.labelling = false;
        }
    }

  private:
    Timeline& timeline_;
};

class TimingStatus final : public itunes::OperationStatus {
  public:
    TimingStatus(itunes::Ref<itunes::OperationStatus> status, Timeline& timeline)
        : status_(std::move(status)), timeline_(timeline) {}
    std::optional<bool> InProgress() override {
        const std::optional<bool> inProgress = status_->InProgress();
        if (inProgress == false && !finished_) {
            finished_ = true;
            timeline_.steps.adding += Clock::now() - timeline_.addStarted;
        }
        return inProgress;
    }

  private:
    itunes::Ref<itunes::OperationStatus> status_;
    Timeline& timeline_;
    bool finished_ = false;
};

// The "Movies" playlist, passed through; its tracks are the library's own objects.
class TimingPlaylist final : public itunes::Playlist {
  public:
    TimingPlaylist(itunes::Ref<itunes::Playlist> playlist, Timeline& timeline)
        : playlist_(std::move(playlist)), timeline_(timeline) {}
    itunes::AddFileResult AddFile(std::string_view path) override {
        itunes::AddFileResult result = playlist_->AddFile(path);
        if (result.status) {
            result.status = std::make_shared<TimingStatus>(std::move(result.status), timeline_);
        }
        return result;
    }
    itunes::Ref<itunes::TrackCollection> Tracks() override {
        const auto start = Clock::now();
        auto tracks = playlist_->Tracks();
        timeline_.listed = Clock::now();
        timeline_.steps.listing += timeline_.listed - start;
        return tracks;
    }

  private:
    itunes::Ref<itunes::Playlist> playlist_;
    Timeline& timeline_;
};

itunes::Ref<itunes::Playlist> Movies(itunes::Application& app) {
    auto sources = app.Sources();
    auto library = sources ? sources->ItemByName("Library") : nullptr;
    auto playlists = library ? library->Playlists() : nullptr;
    return playlists ? playlists->ItemByName("Movies") : nullptr;
}

std::string TwoDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

// count episodes (a multiple of kEpisodesPerShow) under root, as shows named showPrefix + a
// number; every file a hard link to clip where the file system allows it, a copy otherwise.
// The library tells files apart by their location only, so each link is a new track.
bool MakeTree(const fs::path& root, const fs::path& clip, const std::string& showPrefix,
              int count) {
    for (int show = 1; show <= count / kEpisodesPerShow; ++show) {
        for (int season = 1; season <= kSeasonsPerShow; ++season) {
            const fs::path folder =
                root / (showPrefix + " " + TwoDigits(show)) / ("Season " + std::to_string(season));
            std::error_code error;
            fs::create_directories(folder, error);
            if (error) {
                return false;
            }
            for (int episode = 1; episode <= kEpisodesPerSeason; ++episode) {
                const fs::path file =
                    folder / (TwoDigits(episode) + " Episode " + std::to_string(episode) + ".mp4");
                fs::create_hard_link(clip, file, error);
                if (error && !fs::copy_file(clip, file, error)) {
                    return false;
                }
            }
        }
    }
    return true;
}

struct ImportRun {
    int filesAdded = 0;
    bool reported = false;
    double seconds = 0;
    StepTimes steps;
};

ImportRun Import(const std::string& database, const fs::path& root) {
    ImportRun run;
    auto app = itunes::library::OpenLibrary(database);
    auto movies = app ? Movies(*app) : nullptr;
    if (movies == nullptr) {
        return run;
    }
    Timeline timeline;
    importer::ImportState state;
    state.ImportStopped = false;
    state.iTunesApp = app;
    state.MoviesPlaylist = std::make_shared<TimingPlaylist>(movies, timeline);
    TimingView view(timeline);
    const auto start = Clock::now();
    importer::EpisodeImport(state, view).ImportShows(root.string());
    run.seconds = Seconds(Clock::now() - start);
    run.filesAdded = state.FilesAdded;
    run.reported = view.report == std::to_string(state.FilesAdded) + " files added.";
    run.steps = timeline.steps;
    return run;
}

// Every track of "Movies" carries the labels the import writes.
int LabelledTracks(const std::string& database) {
    auto library = itunes::library::MediaLibrary::OpenExisting(database);
    auto tracks = library ? library->ListTracks("Movies") : std::nullopt;
    if (!tracks) {
        return -1;
    }
    int labelled = 0;
    for (const auto& track : *tracks) {
        labelled += track.video_kind == 3 && !track.show.empty() && track.season_number > 0 &&
                            track.sort_name.size() == 3
                        ? 1
                        : 0;
    }
    return labelled;
}

void PrintSteps(const char* what, const ImportRun& run) {
    const double files = run.filesAdded > 0 ? run.filesAdded : 1;
    const auto perFile = [&](Clock::duration step) { return Seconds(step) * 1e6 / files; };
    const double rest = run.seconds * 1e6 / files - perFile(run.steps.adding) -
                        perFile(run.steps.listing) - perFile(run.steps.searching) -
                        perFile(run.steps.writing);
    std::printf("%-40s %9.0f %9.0f %9.0f %9.0f %9.0f\n", what, perFile(run.steps.adding),
                perFile(run.steps.listing), perFile(run.steps.searching),
                perFile(run.steps.writing), rest);
}

}  // namespace

int main() {
    const fs::path folder =
        fs::temp_directory_path() / ("vexo-import-bench-" + std::to_string(::getpid()));
    const fs::path clip = folder / "clip.mp4";
    const fs::path small = folder / "small";
    const fs::path large = folder / "large";
    const fs::path more = folder / "more";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error ||
        !vexo::testmedia::WriteVideoClip(clip.string(), vexo::testmedia::Container::kMp4) ||
        !MakeTree(small, clip, "Small Show", 1'000) || !MakeTree(large, clip, "Show", 10'000) ||
        !MakeTree(more, clip, "Later Show", 1'000)) {
        std::fprintf(stderr, "import_bench: cannot lay out the clips in %s\n",
                     folder.string().c_str());
        fs::remove_all(folder, error);
        return 1;
    }

    bool complete = true;
    const auto check = [&](const ImportRun& run, int expected, const std::string& database,
                           int expectedInLibrary) {
        const int labelled = LabelledTracks(database);
        if (run.filesAdded != expected || !run.reported || labelled != expectedInLibrary) {
            std::fprintf(stderr, "import_bench: %d of %d files labelled (%d in the library)\n",
                         run.filesAdded, expected, labelled);
            complete = false;
        }
    };

    // The reference: 1,000 episodes into a fresh library, the median of three imports.
    std::vector<ImportRun> references;
    for (int i = 1; i <= 3; ++i) {
        const std::string database = (folder / ("small-" + std::to_string(i) + ".db")).string();
        references.push_back(Import(database, small));
        check(references.back(), 1'000, database, 1'000);
    }
    std::sort(references.begin(), references.end(),
              [](const ImportRun& a, const ImportRun& b) { return a.seconds < b.seconds; });
    const ImportRun small1k = references[1];
    const double reference = small1k.seconds;

    const std::string full = (folder / "large.db").string();
    const ImportRun large10k = Import(full, large);
    check(large10k, 10'000, full, 10'000);
    const ImportRun more1k = Import(full, more);
    check(more1k, 1'000, full, 11'000);

    std::printf(
        "files per second: %.0f (1,000 into an empty library), %.0f (10,000 into an "
        "empty library), %.0f (1,000 into a library of 10,000)\n",
        1'000 / reference, 10'000 / large10k.seconds, 1'000 / more1k.seconds);
    vexo::bench::PrintRatio("1,000 episodes, empty library", reference, "reference", reference);
    vexo::bench::PrintRatio("10,000 episodes, empty library", large10k.seconds, "(linear: 10x)",
                            reference);
    vexo::bench::PrintRatio("1,000 episodes, 10,000 tracks there", more1k.seconds, "(linear: 1x)",
                            reference);
    std::printf(
        "\nmicroseconds per file                        add     list    search     write"
        "      rest\n");
    PrintSteps("1,000 episodes, empty library", small1k);
    PrintSteps("10,000 episodes, empty library", large10k);
    PrintSteps("1,000 episodes, 10,000 tracks there", more1k);

    fs::remove_all(folder, error);
    return complete ? 0 : 1;
}
