// How vexo library list shows a playlist's tracks: as readable blocks, or as JSON.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "importer/itunes/library/media_library.h"
#include "importer/itunes/library/mp4/tag_plan.h"

namespace vexo::cli {

// text as a JSON string, quotes included. Control characters are escaped; bytes that are not
// UTF-8 (a file name may hold any bytes) become U+FFFD, so that the document stays valid.
std::string JsonString(std::string_view text);

// A JSON array with one object per track, in the given order, keys: location, name, show,
// season_number, episode_id, episode_number, sort_name, video_kind, duration_ms, width,
// height, codec. Ends with a newline.
// With fileTags (one per track: whether its file carries its labels), each object ends with the
// key file_tags.
std::string TracksAsJson(std::span<const itunes::library::TrackRecord> tracks,
                         std::span<const std::string> fileTags = {});

// One block per track, every property on its own line (control characters shown as \xNN),
// then a count.
std::string TracksAsText(std::string_view playlist,
                         std::span<const itunes::library::TrackRecord> tracks,
                         std::span<const std::string> fileTags = {});

// The labels a file carries, one indented line each ("   show (tvsh): ..."), in the order the
// library lists them; a line saying there are none when it carries none.
std::string EpisodeTagsAsText(const itunes::library::mp4::EpisodeTags& tags);

}  // namespace vexo::cli
