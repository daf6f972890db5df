// The embedded media library seen from its own tools (vexo library, benchmarks, tests): every
// stored property of a playlist's tracks, and an add that waits for its outcome and says why a
// file was ignored. Imports reach the same library through the automation interface only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "importer/itunes/library/library_contract.h"

namespace itunes::library {

struct LibraryCore;

// The labels a track carries into its file, as bits of TrackRecord::labelled.
enum class LabelBit : unsigned {
    kName = 1,
    kShow = 2,
    kEpisodeId = 4,
    kSortName = 8,
    kSeasonNumber = 16,
    kEpisodeNumber = 32,
    kVideoKind = 64,
};

// One track with every column the library keeps. Properties never written read as empty text
// or 0, except the name, which starts as the file's name without its extension.
struct TrackRecord {
    std::int64_t id = 0;
    std::string location;  // exactly as it was given to the add
    std::string name;
    std::string show;
    std::int32_t season_number = 0;
    std::string episode_id;
    std::int32_t episode_number = 0;
    std::string sort_name;
    std::int16_t video_kind = 0;
    std::int64_t duration_ms = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string codec;  // the video codec's short name, e.g. "mpeg4", "h264"
    // The labels ever written (LabelBit bits): only those go into the file, so that a label the
    // import never set leaves the file's own item alone.
    unsigned labelled = 0;
    // Some of them are not in the file yet: its write is still to come, or was cut short.
    bool tags_pending = false;
    // What became of the last write into the file: empty when there was none, "written", or
    // "refused: " and the reason.
    std::string tags_state;
};

enum class AddResult {
    kAdded,    // a new track, in the playlist (and in "Library")
    kIgnored,  // already in the library, or not usable media; nothing changed
    kFailed,   // the library itself failed (no such playlist, database error)
};

struct AddOutcome {
    AddResult result = AddResult::kFailed;
    // Why the file was ignored or the add failed, e.g. "already in the library",
    // "not an MPEG-4 or QuickTime file", "no video stream"; empty when added.
    std::string reason;
};

class MediaLibrary {
  public:
    // The library whose database is at databasePath, created (with its folders, its
    // "Library" source and the "Library" and "Movies" playlists) when missing; null when it
    // cannot be opened or created.
    static std::unique_ptr<MediaLibrary> Open(const std::string& databasePath);
    // As Open, but null when no database exists at databasePath (nothing is created).
    static std::unique_ptr<MediaLibrary> OpenExisting(const std::string& databasePath);

    ~MediaLibrary();
    MediaLibrary(const MediaLibrary&) = delete;
    MediaLibrary& operator=(const MediaLibrary&) = delete;

    // The tracks of the playlist named playlistName (matched without regard to ASCII case) in
    // playlist order; std::nullopt when there is no such playlist or the database fails.
    std::optional<std::vector<TrackRecord>> ListTracks(std::string_view playlistName);

    // Adds the file at path to the named playlist (and so to "Library") through the same
    // worker that serves AddFile, and waits until the add is done.
    AddOutcome AddAndWait(std::string_view path,
                          std::string_view playlistName = kMoviesPlaylistName);

    // Whether labels are written into the files (on unless turned off); std::nullopt when the
    // database cannot be read.
    std::optional<bool> FileTagsEnabled();
    bool SetFileTagsEnabled(bool enabled);

  private:
    explicit MediaLibrary(std::shared_ptr<LibraryCore> core);
    std::shared_ptr<LibraryCore> core_;
};

// Removes the database at databasePath with its write-ahead log and shared-memory files, and
// the lock of the label writes beside it, after undoing a label write a crash cut short; false
// when that cannot be undone or one of them exists but cannot be removed. Nothing there counts
// as success.
bool RemoveLibraryDatabase(const std::string& databasePath);

}  // namespace itunes::library
