// Carries a track's labels from the library into its file, as the application the library
// stands in for does, so that every other player sees them. Only the labels ever set go in: an
// item of the file the library never labelled stays the file's own.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "importer/itunes/library/file_tag_writer.h"
#include "importer/itunes/library/media_library.h"
#include "importer/itunes/library/mp4/tag_plan.h"

namespace itunes::library {

class LibraryDatabase;

// The items the track's set labels stand for.
mp4::EpisodeTags TagsOf(const TrackRecord& track);

// Whether the track's file carries its labels, as a short answer for listings: "yes", "no" with
// why, or "-" when the track has no labels to carry.
std::string FileLabelsState(const TrackRecord& track);

class TrackTagWriter {
  public:
    // The journal of a write cut short lives in the library's folder; one left there by a
    // crash is undone now, before anything else touches the files.
    TrackTagWriter(LibraryDatabase& db, const std::string& libraryFolder);

    // Writes the labels of each track whose file still lacks some, one write per track however
    // many labels changed; nothing when the library's setting is off.
    void Write(std::span<const std::int64_t> trackIds);
    // Writes every track still pending: those labelled through this library since the last
    // Write, and any an earlier run left behind.
    void Flush();

  private:
    void WriteOne(std::int64_t trackId);

    LibraryDatabase& db_;
    FileTagWriter writer_;
    bool enabled_;
    bool labelledAny_ = false;
};

}  // namespace itunes::library
