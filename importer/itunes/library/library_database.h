// The library's SQLite database: one source "Library", its playlists, tracks with every
// property, and each playlist's order. Safe for several threads (one connection behind a
// mutex) and for several processes (WAL, busy timeout, one write transaction per change).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "importer/itunes/library/media_library.h"
#include "importer/itunes/library/media_probe.h"
#include "importer/itunes/library/sqlite_handle.h"

namespace itunes::library {

enum class TextProperty { kName, kShow, kEpisodeId, kSortName };
enum class IntegerProperty { kSeasonNumber, kEpisodeNumber, kVideoKind };

enum class InsertResult { kInserted, kDuplicate, kFailed };

class LibraryDatabase {
  public:
    // Opens the database at path, creating it (and its folders) only when create is set;
    // null when it does not exist (and create is not set) or cannot be opened as a library.
    static std::unique_ptr<LibraryDatabase> Open(const std::string& path, bool create);

    // Names are matched without regard to ASCII case, as the application matches them.
    std::optional<std::int64_t> FindSource(std::string_view name);
    std::optional<std::int64_t> FindPlaylist(std::int64_t sourceId, std::string_view name);

    std::optional<std::vector<std::int64_t>> PlaylistTrackIds(std::int64_t playlistId);
    std::optional<std::vector<TrackRecord>> PlaylistTracks(std::int64_t playlistId);

    bool HasLocation(std::string_view location);
    // The track and its memberships of "Library" and of playlistId (when another) in one
    // transaction: all of it is there afterwards, or none.
    InsertResult InsertTrack(std::string_view location, const MediaInfo& media,
                             std::int64_t playlistId);

    std::optional<std::string> TrackLocation(std::int64_t trackId);
    // False when the track no longer exists or the write fails.
    bool SetText(std::int64_t trackId, TextProperty property, std::string_view value);
    bool SetInteger(std::int64_t trackId, IntegerProperty property, std::int64_t value);

  private:
    LibraryDatabase(SqliteConnection db, std::int64_t libraryPlaylistId);
    bool AppendToPlaylist(std::int64_t playlistId, std::int64_t trackId);

    std::mutex mutex_;
    SqliteConnection db_;
    std::int64_t libraryPlaylistId_;
};

}  // namespace itunes::library
