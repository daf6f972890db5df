// The texts the import hands to the media library for one episode: the path of the file, the
// key its track is found by, and the sort name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace importer {

// The path of an episode file as it stands on disk: root, show folder, season folder and the
// file's own name (its case and blanks kept), joined with the platform's separator. This is
// what the library is given, so that it names the file on any file system.
std::string EpisodePath(std::string_view root, std::string_view show, std::string_view seasonFolder,
                        std::string_view fileNameOnDisk);

// A location as tracks are compared by it: leading and trailing blanks removed, upper-cased
// (ASCII letters; other bytes compare as they are).
std::string LocationKey(std::string_view location);

// Whether location's key is key, without building it: the search compares every track of the
// playlist this way, once per file added.
bool HasLocationKey(std::string_view location, std::string_view key);

// The episode number in decimal with at least three digits, zero-filled: 7 gives "007",
// 1234 "1234", -5 "-005".
std::string SortName(std::int32_t episodeNumber);

// The video kind that files a track as a TV show.
inline constexpr std::int16_t kVideoKindTvShow = 3;

}  // namespace importer
