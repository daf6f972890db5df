// Imports trees of real clips, laid out as Show/Season N/NN Title.mp4, with the folder walk and
// labelling Plumex runs (EpisodeImport::ImportShows) into the embedded media library: N and 10N
// episodes into an empty library, and N more into a library that already holds the 10N (N is
// 1,000 unless --episodes says otherwise). Each figure is a ratio against the N-episode import
// measured in the same run (the median of three, as is the last figure's): an import whose cost per
// file does not grow with the library reads 10x for 10N episodes and 1x for N into the full
// library. Every run must label each of its files, or the program fails, so that what is timed is
// the whole work.
//
// The add itself is set against the bare work it cannot do without, measured in the same run on
// the same files: libavformat opening each file as the library's probe opens it, and one row
// inserted for it into a plain SQLite table kept as durably (WAL, a commit per row).
//
// Where the time of a file goes is taken from the calls the import makes anyway (the status
// texts, the add's status, the search), with a handful of clock reads per file and none per
// track.
extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "bench_options.h"
#include "common/posix/unique_fd.h"
#include "common/sqlite_database.h"
#include "import_trees.h"
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

using vexo::bench::Count;
using vexo::bench::LabelledTracks;
using vexo::bench::MakeTree;
using vexo::bench::Movies;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// Time spent in each step of labelling a file, summed over an import.
struct StepTimes {
    Clock::duration adding{};     // AddFile and the wait until it is no longer in progress
    Clock::duration searching{};  // from then until the file's own track is found
    Clock::duration writing{};    // the seven property writes
};

// The moments of the file being labelled, as the import's own calls mark them.
struct Timeline {
    StepTimes steps;
    Clock::time_point addStarted;
    Clock::time_point addDone;
    Clock::time_point labelStarted;
    bool labelling = false;
};

// What wakes a sleeping window: a flag and a condition, shared with the wakers handed out, which
// may outlive the view.
struct WakeSignal {
    std::mutex mutex;
    std::condition_variable woken;
    bool pending = false;
};

// Does nothing, as a window with no events pending would, and sleeps while it waits for an add
// as a window does; marks the start of the add and of the labelling, and the yield that follows
// the labelled file.
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
            timeline_.steps.searching += timeline_.labelStarted - timeline_.addDone;
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
    std::function<void()> Waker() override {
        return [signal = signal_] {
            {
                std::lock_guard lock(signal->mutex);
                signal->pending = true;
            }
            signal->woken.notify_one();
        };
    }
    void WaitForEvents(importer::IdleWait idle) override {
        if (idle == importer::IdleWait::Briefly) {
            std::this_thread::yield();
            return;
        }
        std::unique_lock lock(signal_->mutex);
        signal_->woken.wait(lock, [this] { return signal_->pending; });
        signal_->pending = false;
    }

  private:
    Timeline& timeline_;
    std::shared_ptr<WakeSignal> signal_ = std::make_shared<WakeSignal>();
};

class TimingStatus final : public itunes::OperationStatus {
  public:
    TimingStatus(itunes::Ref<itunes::OperationStatus> status, Timeline& timeline)
        : status_(std::move(status)), timeline_(timeline) {}
    std::optional<bool> InProgress() override {
        const std::optional<bool> inProgress = status_->InProgress();
        if (inProgress == false && !finished_) {
            finished_ = true;
            timeline_.addDone = Clock::now();
            timeline_.steps.adding += timeline_.addDone - timeline_.addStarted;
        }
        return inProgress;
    }
    bool NotifyWhenDone(std::function<void()> onDone) override {
        return status_->NotifyWhenDone(std::move(onDone));
    }

  private:
    itunes::Ref<itunes::OperationStatus> status_;
    Timeline& timeline_;
    bool finished_ = false;
};

// The "Movies" playlist, passed through; its tracks and its index are the library's own objects.
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
    itunes::Ref<itunes::TrackCollection> Tracks() override { return playlist_->Tracks(); }
    itunes::Ref<itunes::TrackIndex> TracksByLocation() override {
        return playlist_->TracksByLocation();
    }

  private:
    itunes::Ref<itunes::Playlist> playlist_;
    Timeline& timeline_;
};

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
struct FormatContextCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

// A file read through pread at a position of its own, as the probe hands it to the demuxer.
struct PositionedFile {
    int fd = -1;
    std::int64_t position = 0;
    std::int64_t size = 0;
};

int ReadAt(void* opaque, std::uint8_t* buffer, int size) {
    auto* file = static_cast<PositionedFile*>(opaque);
    const ssize_t got = ::pread(file->fd, buffer, static_cast<std::size_t>(size), file->position);
    if (got <= 0) {
        return AVERROR_EOF;
    }
    file->position += got;
    return static_cast<int>(got);
}

std::int64_t SeekTo(void* opaque, std::int64_t offset, int whence) {
    auto* file = static_cast<PositionedFile*>(opaque);
    if ((whence & AVSEEK_SIZE) != 0) {
        return file->size;
    }
    const int from = whence & ~AVSEEK_FORCE;
    file->position = offset + (from == SEEK_CUR   ? file->position
                               : from == SEEK_END ? file->size
                                                  : 0);
    return file->position;
}

// Opens the file as the library's probe opens it: once, read by the mov demuxer through a 32 KiB
// buffer, with the same limits; its duration in milliseconds, or nothing when it cannot be
// opened.
std::optional<std::int64_t> OpenAsTheProbeDoes(const std::string& path) {
    const common::posix::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!fd.Valid() || fstat(fd.Get(), &info) != 0) {
        return std::nullopt;
    }
    PositionedFile file{fd.Get(), 0, static_cast<std::int64_t>(info.st_size)};
    constexpr int kBuffer = 32 * 1024;
    AVIOContext* io = avio_alloc_context(static_cast<unsigned char*>(av_malloc(kBuffer)), kBuffer,
                                         0, &file, &ReadAt, nullptr, &SeekTo);
    AVFormatContext* raw = avformat_alloc_context();
    std::optional<std::int64_t> duration;
    if (io != nullptr && io->buffer != nullptr && raw != nullptr) {
        raw->pb = io;
        raw->flags |= AVFMT_FLAG_CUSTOM_IO;
        raw->probesize = 64 * 1024;
        raw->max_analyze_duration = AV_TIME_BASE;
        if (avformat_open_input(&raw, nullptr, av_find_input_format("mov"), nullptr) >= 0) {
            const std::unique_ptr<AVFormatContext, FormatContextCloser> context(raw);
            duration = context->duration > 0 ? context->duration / (AV_TIME_BASE / 1000) : 0;
        }
        raw = nullptr;  // closed above, or freed by the failed open
    }
    avformat_free_context(raw);
    if (io != nullptr) {
        av_freep(&io->buffer);
    }
    avio_context_free(&io);
    return duration;
}

// The bare work of adding files, in seconds: each opened as the probe opens it, then inserted
// as one row of a fresh database at databasePath; nothing when a file or a row failed.
std::optional<double> BareAdds(const std::vector<std::string>& files,
                               const std::string& databasePath) {
    common::sqlite::Database db;
    if (common::sqlite::Open(databasePath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, {}, db) !=
            SQLITE_OK ||
        common::sqlite::Execute(db.get(),
                                "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
                                "CREATE TABLE files(id INTEGER PRIMARY KEY, location TEXT NOT "
                                "NULL UNIQUE, duration_ms INTEGER NOT NULL)") != SQLITE_OK) {
        return std::nullopt;
    }
    common::sqlite::Statement insert(db.get(),
                                     "INSERT INTO files(location, duration_ms) VALUES(?1, ?2)");
    const auto start = Clock::now();
    for (const std::string& file : files) {
        const std::optional<std::int64_t> duration = OpenAsTheProbeDoes(file);
        if (!duration || !insert.Bind(1, file) || !insert.Bind(2, *duration) ||
            insert.Step() != SQLITE_DONE) {
            return std::nullopt;
        }
        insert.Reset();
    }
    return Seconds(Clock::now() - start);
}

void PrintSteps(const std::string& what, const ImportRun& run) {
    const double files = run.filesAdded > 0 ? run.filesAdded : 1;
    const auto perFile = [&](Clock::duration step) { return Seconds(step) * 1e6 / files; };
    const double rest = run.seconds * 1e6 / files - perFile(run.steps.adding) -
                        perFile(run.steps.searching) - perFile(run.steps.writing);
    std::printf("%-40s %9.0f %9.0f %9.0f %9.0f\n", what.c_str(), perFile(run.steps.adding),
                perFile(run.steps.searching), perFile(run.steps.writing), rest);
}

}  // namespace

int main(int argc, char** argv) {
    vexo::bench::CountOption episodesOption =
        vexo::bench::TakeCountOption(argc, argv, "--episodes");
    if (episodesOption.exitCode) {
        return *episodesOption.exitCode;
    }
    const vexo::bench::ParsedBenchOptions parsed = vexo::bench::ParseBenchOptions(
        static_cast<int>(episodesOption.rest.size()), episodesOption.rest.data(),
        "Imports N and 10N episodes into an empty media library and N more into the full one,\n"
        "and sets the add against opening each file with libavformat plus one SQLite insert.\n"
        "  --episodes N  the base size N (default 1000; --quick makes it 20)");
    if (parsed.exitCode) {
        return *parsed.exitCode;
    }
    const int base = episodesOption.count.value_or(vexo::bench::Sized(parsed.options, 1'000, 20));
    const int large = 10 * base;
    av_log_set_level(AV_LOG_QUIET);

    const fs::path folder =
        fs::temp_directory_path() / ("vexo-import-bench-" + std::to_string(::getpid()));
    const fs::path clip = folder / "clip.mp4";
    std::error_code error;
    fs::create_directories(folder, error);
    std::optional<std::vector<std::string>> smallFiles;
    if (!error &&
        vexo::testmedia::WriteVideoClip(clip.string(), vexo::testmedia::Container::kMp4)) {
        smallFiles = MakeTree(folder / "small", clip, "Small Show", base);
    }
    if (!smallFiles || !MakeTree(folder / "large", clip, "Show", large) ||
        !MakeTree(folder / "more", clip, "Later Show", base)) {
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

    // The reference: N episodes into a fresh library, the median of three imports; the bare
    // adds of the same files run between them, so that both meet the machine alike.
    std::vector<ImportRun> references;
    std::vector<double> bares;
    for (int i = 1; i <= 3; ++i) {
        const std::string bare = (folder / ("bare-" + std::to_string(i) + ".db")).string();
        if (const std::optional<double> seconds = BareAdds(*smallFiles, bare)) {
            bares.push_back(*seconds);
        } else {
            std::fprintf(stderr, "import_bench: the bare adds failed\n");
            complete = false;
        }
        const std::string database = (folder / ("small-" + std::to_string(i) + ".db")).string();
        references.push_back(Import(database, folder / "small"));
        check(references.back(), base, database, base);
    }
    std::sort(references.begin(), references.end(),
              [](const ImportRun& a, const ImportRun& b) { return a.seconds < b.seconds; });
    std::sort(bares.begin(), bares.end());
    const ImportRun smallRun = references[1];
    const double reference = smallRun.seconds;
    const double bare = bares.empty() ? 0 : bares[bares.size() / 2];

    const std::string full = (folder / "large.db").string();
    const ImportRun largeRun = Import(full, folder / "large");
    check(largeRun, large, full, large);
    // N more into the full library, the median of three imports, each into a copy of it.
    std::vector<ImportRun> mores;
    for (int i = 1; i <= 3; ++i) {
        const std::string copy = (folder / ("full-" + std::to_string(i) + ".db")).string();
        fs::copy_file(full, copy, error);
        mores.push_back(Import(copy, folder / "more"));
        check(mores.back(), base, copy, large + base);
    }
    std::sort(mores.begin(), mores.end(),
              [](const ImportRun& a, const ImportRun& b) { return a.seconds < b.seconds; });
    const ImportRun moreRun = mores[1];

    const std::string n = Count(base);
    const std::string tenN = Count(large);
    std::printf(
        "files per second: %.0f (%s into an empty library), %.0f (%s into an empty library), "
        "%.0f (%s into a library of %s)\n",
        base / reference, n.c_str(), large / largeRun.seconds, tenN.c_str(), base / moreRun.seconds,
        n.c_str(), tenN.c_str());
    vexo::bench::PrintRatio((n + " episodes, empty library").c_str(), reference, "reference",
                            reference);
    vexo::bench::PrintRatio((tenN + " episodes, empty library").c_str(), largeRun.seconds,
                            "(linear: 10x)", reference);
    vexo::bench::PrintRatio((n + " episodes, " + tenN + " tracks there").c_str(), moreRun.seconds,
                            "(linear: 1x)", reference);

    // The add as the import meets it (the median import's), against the bare work per file.
    const double adding = Seconds(smallRun.steps.adding);
    std::printf("\n");
    vexo::bench::PrintRatio(("bare adds of " + n + " files").c_str(), bare,
                            "reference: libavformat open + one insert each", bare);
    vexo::bench::PrintRatio(("adds of " + n + " files in the import").c_str(), adding, "(bare: 1x)",
                            bare);

    std::printf(
        "\nmicroseconds per file                        add    search     write      rest\n");
    PrintSteps(n + " episodes, empty library", smallRun);
    PrintSteps(tenN + " episodes, empty library", largeRun);
    PrintSteps(n + " episodes, " + tenN + " tracks there", moreRun);
    std::printf("%-40s %9.0f\n", "bare add", bare * 1e6 / base);

    fs::remove_all(folder, error);
    return complete ? 0 : 1;
}
