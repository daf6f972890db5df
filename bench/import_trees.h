// What the import benchmarks share: trees of episode files made of one clip, the library's
// "Movies" playlist, the count of tracks the import labelled, a window nobody looks at, the
// in-process import, and counts printed as figures.
#pragma once

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
#include <vector>

#include "importer/episode_import.h"
#include "importer/import_state.h"
#include "importer/import_view.h"
#include "importer/itunes/itunes.h"
#include "importer/itunes/library/library_application.h"
#include "importer/itunes/library/media_library.h"

namespace vexo::bench {

inline constexpr int kSeasonsPerShow = 10;
inline constexpr int kEpisodesPerSeason = 25;
inline constexpr int kEpisodesPerShow = kSeasonsPerShow * kEpisodesPerSeason;

inline std::string TwoDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

// A count as the figures print it: 10000 as "10,000".
inline std::string Count(int number) {
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

// How a tree's files are made of its clip.
enum class TreeFiles {
    // A hard link where the file system allows it, a copy otherwise: cheap, and enough where
    // nothing writes into the files (the library tells files apart by their location only, so
    // each link is a new track).
    kHardLinks,
    // A copy each: a library that writes the labels into its files would otherwise write into
    // one file as many times as it has links, and leave it with the last episode's labels.
    kCopies,
};

// count episodes under root, as shows named showPrefix + a number of kSeasonsPerShow seasons of
// kEpisodesPerSeason episodes (the last ones cut short), each file made of clip as made says.
// The files' paths, or nothing when one could not be made.
inline std::optional<std::vector<std::string>> MakeTree(const std::filesystem::path& root,
                                                        const std::filesystem::path& clip,
                                                        const std::string& showPrefix, int count,
                                                        TreeFiles made = TreeFiles::kHardLinks) {
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        const int show = i / kEpisodesPerShow + 1;
        const int season = i % kEpisodesPerShow / kEpisodesPerSeason + 1;
        const int episode = i % kEpisodesPerSeason + 1;
        const std::filesystem::path folder =
            root / (showPrefix + " " + TwoDigits(show)) / ("Season " + std::to_string(season));
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            return std::nullopt;
        }
        const std::filesystem::path file =
            folder / (TwoDigits(episode) + " Episode " + std::to_string(episode) + ".mp4");
        if (made == TreeFiles::kHardLinks) {
            std::filesystem::create_hard_link(clip, file, error);
        }
        if ((made == TreeFiles::kCopies || error) &&
            !std::filesystem::copy_file(clip, file, error)) {
            return std::nullopt;
        }
        files.push_back(file.string());
    }
    return files;
}

inline itunes::Ref<itunes::Playlist> Movies(itunes::Application& app) {
    auto sources = app.Sources();
    auto library = sources ? sources->ItemByName("Library") : nullptr;
    auto playlists = library ? library->Playlists() : nullptr;
    return playlists ? playlists->ItemByName("Movies") : nullptr;
}

// The tracks of "Movies" in the library at database that carry the labels the import writes;
// -1 when it cannot be read.
inline int LabelledTracks(const std::string& database) {
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

// A window with no events pending. One that sleeps is told of each add's end, as Plumex's
// window is; one that does not polls the add, as bench/import_bench's does.
class QuietView final : public importer::ImportView {
  public:
    explicit QuietView(bool sleeps = true) : sleeps_(sleeps) {}

    std::string report;
    void SetDisplayField(importer::DisplayField, std::string_view) override {}
    void SetStatusText(std::string_view) override {}
    importer::MessageAnswer ShowMessage(std::string_view text, std::string_view,
                                        importer::MessageButtons, importer::MessageIcon) override {
        report = std::string(text);
        return importer::MessageAnswer::Ok;
    }
    void YieldToEvents() override {}
    std::function<void()> Waker() override {
        if (!sleeps_) {
            return {};
        }
        return [wake = wake_] {
            {
                std::lock_guard lock(wake->mutex);
                wake->woken = true;
            }
            wake->changed.notify_one();
        };
    }
    void WaitForEvents(importer::IdleWait idle) override {
        if (idle == importer::IdleWait::UntilWoken) {
            std::unique_lock lock(wake_->mutex);
            wake_->changed.wait(lock, [this] { return wake_->woken; });
            wake_->woken = false;
        }
    }

  private:
    struct Wake {
        std::mutex mutex;
        std::condition_variable changed;
        bool woken = false;
    };
    bool sleeps_;
    std::shared_ptr<Wake> wake_ = std::make_shared<Wake>();
};

struct InProcessImport {
    bool opened = false;  // the library could be opened
    int filesAdded = 0;
    double seconds = 0;
};

// EpisodeImport::ImportShows of tree into the library at database, in this process, through
// view. The time runs until the library's last object is released: its adds finish and the
// labels of the last files reach the files only then.
inline InProcessImport ImportInProcess(const std::string& database,
                                       const std::filesystem::path& tree,
                                       importer::ImportView& view) {
    InProcessImport run;
    importer::ImportState state;
    const auto start = std::chrono::steady_clock::now();
    {
        auto app = itunes::library::OpenLibrary(database);
        state.MoviesPlaylist = app ? Movies(*app) : nullptr;
        if (state.MoviesPlaylist == nullptr) {
            return run;
        }
        state.ImportStopped = false;
        state.iTunesApp = app;
        importer::EpisodeImport(state, view).ImportShows(tree.string());
        state.iTunesApp.reset();
        state.MoviesPlaylist.reset();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    run.opened = true;
    run.filesAdded = state.FilesAdded;
    run.seconds = took.count();
    return run;
}

}  // namespace vexo::bench
