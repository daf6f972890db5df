// The texts the import hands to the media library for one episode: the path of the file, the
// key its track is found by, and the sort name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "importer/files/path.h"

namespace importer {

// The path of an episode file as it stands on disk: root, show folder, season folder and the
// file's own name (its case and blanks kept), joined with the platform's separator. This is
// what the library is given, so that it names the file on any file system.
std::string EpisodePath(std::string_view root, std::string_view show, std::string_view seasonFolder,
                        std::string_view fileNameOnDisk);

// A location as tracks are compared by it, by the file system's rule for names: under
// kTrimmedUpperCase leading and trailing blanks removed and upper-cased (ASCII letters; other
// bytes compare as they are), under kExact the location itself, byte for byte, so that two
// files whose paths differ only in case or blanks are two tracks.
std::string LocationKey(std::string_view location,
                        basFiles::FileNameRule rule = basFiles::kFileNameRule);

// Whether location's key is key, without building it: the search compares every track of the
// playlist this way, once per file added.
bool HasLocationKey(std::string_view location, std::string_view key,
                    basFiles::FileNameRule rule = basFiles::kFileNameRule);

// The episode number in decimal with at least three digits, zero-filled: 7 gives "007",
// 1234 "1234", -5 "-005".
std::string SortName(std::int32_t episodeNumber);

// The video kind that files a track as a TV show.
inline constexpr std::int16_t kVideoKindTvShow = 3;

}  // namespace importer
