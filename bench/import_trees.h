// What the import benchmarks share: trees of episode files made of one clip, the library's
// "Movies" playlist, the count of tracks the import labelled, and counts printed as figures.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "importer/itunes/itunes.h"
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

// count episodes under root, as shows named showPrefix + a number of kSeasonsPerShow seasons of
// kEpisodesPerSeason episodes (the last ones cut short); every file a hard link to clip where
// the file system allows it, a copy otherwise. The library tells files apart by their location
// only, so each link is a new track. The files' paths, or nothing when one could not be made.
inline std::optional<std::vector<std::string>> MakeTree(const std::filesystem::path& root,
                                                        const std::filesystem::path& clip,
                                                        const std::string& showPrefix, int count) {
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
        std::filesystem::create_hard_link(clip, file, error);
        if (error && !std::filesystem::copy_file(clip, file, error)) {
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

}  // namespace vexo::bench
