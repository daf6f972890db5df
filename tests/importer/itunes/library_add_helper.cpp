// Adds each file named on the command line to the "Movies" playlist of the library at the
// first argument, one after the other, and writes "added", "ignored" or "failed" with the path
// on its standard output as soon as each add is done: a second process for the tests.
// With --label first, it works as an import does, through the automation interface: each file
// is added, its track found by location and its seven properties written, and "labelled" with
// the path is written once every write has reported success.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

#include "importer/itunes/itunes.h"
#include "importer/itunes/library/library_application.h"
#include "importer/itunes/library/media_library.h"

namespace {

bool WriteAll(const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(STDOUT_FILENO, text.data() + written, text.size() - written);
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

int AddEach(const char* database, int count, char** files) {
    auto library = itunes::library::MediaLibrary::Open(database);
    if (library == nullptr) {
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const auto outcome = library->AddAndWait(files[i]);
        const char* word = outcome.result == itunes::library::AddResult::kAdded     ? "added"
                           : outcome.result == itunes::library::AddResult::kIgnored ? "ignored"
                                                                                    : "failed";
        if (!WriteAll(std::string(word) + " " + files[i] + "\n")) {
            return 1;
        }
    }
    return 0;
}

bool AddAndLabel(itunes::Playlist& movies, const std::string& path, int number) {
    const itunes::AddFileResult added = movies.AddFile(path);
    if (!added.status) {
        return false;
    }
    while (added.status->InProgress() != false) {
        std::this_thread::yield();
    }
    auto tracks = movies.Tracks();
    for (auto track = tracks ? tracks->Next() : nullptr; track; track = tracks->Next()) {
        if (track->Location() == path) {
            return track->SetShow("Show") && track->SetSeasonNumber(1) &&
                   track->SetEpisodeID("Episode") && track->SetEpisodeNumber(number) &&
                   track->SetName("Episode") && track->SetSortName(std::to_string(number)) &&
                   track->SetVideoKind(3);
        }
    }
    return false;
}

int LabelEach(const char* database, int count, char** files) {
    auto application = itunes::library::OpenLibrary(database);
    auto sources = application ? application->Sources() : nullptr;
    auto source = sources ? sources->ItemByName("Library") : nullptr;
    auto playlists = source ? source->Playlists() : nullptr;
    auto movies = playlists ? playlists->ItemByName("Movies") : nullptr;
    if (movies == nullptr) {
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const char* word = AddAndLabel(*movies, files[i], i + 1) ? "labelled" : "failed";
        if (!WriteAll(std::string(word) + " " + files[i] + "\n")) {
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool label = argc > 1 && std::string_view(argv[1]) == "--label";
    const int first = label ? 2 : 1;
    if (argc < first + 1) {
        std::fputs("usage: library_add_helper [--label] DATABASE FILE...\n", stderr);
        return 2;
    }
    return label ? LabelEach(argv[first], argc - first - 1, argv + first + 1)
                 : AddEach(argv[first], argc - first - 1, argv + first + 1);
}
