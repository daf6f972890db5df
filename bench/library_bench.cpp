// Adds and labels 1,000 clips in the embedded media library as an import does: the add waits
// for the library's worker, then the playlist is searched for the new track by location and
// the seven properties are written. Probing the same files alone is measured in the same run,
// so that the share of the add spent in probing, and the rest spent in the database, shows as
// a ratio on any machine.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bench_options.h"
#include "importer/itunes/itunes.h"
#include "importer/itunes/library/library_application.h"
#include "importer/itunes/library/media_library.h"
#include "importer/itunes/library/media_probe.h"
#include "ratio.h"
#include "tools/testmedia/test_media.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One real clip, and `count` names for it: hard links where the file system allows them (the
// library sees distinct paths; the probe reads the same few kilobytes), copies otherwise.
std::vector<std::string> MakeClips(const fs::path& folder, int count) {
    const fs::path original = folder / "original.mp4";
    if (!vexo::testmedia::WriteVideoClip(original.string(), vexo::testmedia::Container::kMp4)) {
        return {};
    }
    std::vector<std::string> paths;
    for (int i = 1; i <= count; ++i) {
        const fs::path path = folder / ("Show - S01E" + std::to_string(i) + " - Episode.mp4");
        std::error_code error;
        fs::create_hard_link(original, path, error);
        if (error && !fs::copy_file(original, path, error)) {
            return {};
        }
        paths.push_back(path.string());
    }
    return paths;
}

itunes::Ref<itunes::Playlist> Movies(const itunes::Ref<itunes::Application>& app) {
    auto sources = app ? app->Sources() : nullptr;
    auto library = sources ? sources->ItemByName("Library") : nullptr;
    auto playlists = library ? library->Playlists() : nullptr;
    return playlists ? playlists->ItemByName("Movies") : nullptr;
}

// Finds the track at path as the import does - from the first track on - and labels it,
// adding the time of each half to finding and writing.
bool Label(itunes::Playlist& movies, const std::string& path, int episode, double& finding,
           double& writing) {
    const auto start = Clock::now();
    auto tracks = movies.Tracks();
    auto track = tracks ? tracks->Next() : nullptr;
    while (track && track->Location() != path) {
        track = tracks->Next();
    }
    finding += SecondsSince(start);
    if (!track) {
        return false;
    }
    const auto written = Clock::now();
    const std::string id = "S01E" + std::to_string(episode);
    const bool labelled = track->SetShow("Show") && track->SetSeasonNumber(1) &&
                          track->SetEpisodeID(id) && track->SetEpisodeNumber(episode) &&
                          track->SetName("Episode " + id) && track->SetSortName("Show " + id) &&
                          track->SetVideoKind(3);
    writing += SecondsSince(written);
    return labelled;
}

}  // namespace

int main(int argc, char** argv) {
    const vexo::bench::ParsedBenchOptions parsed = vexo::bench::ParseBenchOptions(
        argc, argv, "Adds and labels 1,000 clips in the embedded media library.");
    if (parsed.exitCode) {
        return *parsed.exitCode;
    }
    const int clipCount = vexo::bench::Sized(parsed.options, 1'000, 10);
    const fs::path folder =
        fs::temp_directory_path() / ("vexo-library-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::vector<std::string> clips = MakeClips(folder, clipCount);
    const std::string database = (folder / "library.db").string();
    auto library = itunes::library::MediaLibrary::Open(database);
    auto movies = Movies(itunes::library::OpenLibrary(database));
    if (clips.empty() || library == nullptr || movies == nullptr) {
        std::fprintf(stderr, "library_bench: cannot prepare the clips or the library\n");
        fs::remove_all(folder);
        return 1;
    }

    // The probe alone, as the add's worker runs it on each file.
    int accepted = 0;
    auto start = Clock::now();
    for (const std::string& clip : clips) {
        accepted += itunes::library::ProbeMedia(clip).media ? 1 : 0;
    }
    const double probing = SecondsSince(start);

    int added = 0;
    start = Clock::now();
    for (const std::string& clip : clips) {
        added += library->AddAndWait(clip).result == itunes::library::AddResult::kAdded ? 1 : 0;
    }
    const double adding = SecondsSince(start);

    int labelled = 0;
    double finding = 0;
    double writing = 0;
    for (std::size_t i = 0; i < clips.size(); ++i) {
        labelled += Label(*movies, clips[i], static_cast<int>(i) + 1, finding, writing) ? 1 : 0;
    }
    const double labelling = finding + writing;

    // Adding again: every file is found in the library before it is probed.
    int ignored = 0;
    start = Clock::now();
    for (const std::string& clip : clips) {
        ignored += library->AddAndWait(clip).result == itunes::library::AddResult::kIgnored ? 1 : 0;
    }
    const double duplicates = SecondsSince(start);

    std::printf("%d clips: %d accepted by the probe, %d added, %d labelled, %d ignored again\n",
                clipCount, accepted, added, labelled, ignored);
    std::printf("adds per second              %10.1f\n", clipCount / adding);
    std::printf("adds and labels per second   %10.1f\n", clipCount / (adding + labelling));
    std::printf("share of an add in probing   %9.1f %%\n", 100.0 * probing / adding);
    std::printf("share of an add elsewhere    %9.1f %%  (database, worker hand-over)\n",
                100.0 * (adding - probing) / adding);
    std::printf("share of add + label in the database %5.1f %%\n",
                100.0 * (adding - probing + labelling) / (adding + labelling));
    vexo::bench::PrintRatio("probe only", probing, "reference", probing);
    vexo::bench::PrintRatio("add (probe + database)", adding, "of the probe", probing);
    vexo::bench::PrintRatio("label: find the track by location", finding, "of the probe", probing);
    vexo::bench::PrintRatio("label: seven property writes", writing, "of the probe", probing);
    vexo::bench::PrintRatio("add of a duplicate", duplicates, "of the probe", probing);

    library.reset();
    movies.reset();
    fs::remove_all(folder);
    return added == clipCount && labelled == clipCount && ignored == clipCount ? 0 : 1;
}
