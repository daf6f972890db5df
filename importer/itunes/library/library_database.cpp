#include "importer/itunes/library/library_database.h"

#include <filesystem>
#include <system_error>

namespace itunes::library {
namespace {

// Long enough for another process's add to finish; short enough that a stuck peer shows up
// as a failed call rather than a hang.
constexpr int kBusyTimeoutMs = 30000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS sources(
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS playlists(
    id INTEGER PRIMARY KEY,
    source_id INTEGER NOT NULL REFERENCES sources(id),
    name TEXT NOT NULL,
    UNIQUE(source_id, name));
CREATE TABLE IF NOT EXISTS tracks(
    id INTEGER PRIMARY KEY,
    location TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL DEFAULT '',
    show TEXT NOT NULL DEFAULT '',
    season_number INTEGER NOT NULL DEFAULT 0,
    episode_id TEXT NOT NULL DEFAULT '',
    episode_number INTEGER NOT NULL DEFAULT 0,
    sort_name TEXT NOT NULL DEFAULT '',
    video_kind INTEGER NOT NULL DEFAULT 0,
    duration_ms INTEGER NOT NULL DEFAULT 0,
    width INTEGER NOT NULL DEFAULT 0,
    height INTEGER NOT NULL DEFAULT 0,
    codec TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS playlist_tracks(
    playlist_id INTEGER NOT NULL REFERENCES playlists(id),
    track_id INTEGER NOT NULL REFERENCES tracks(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    PRIMARY KEY(playlist_id, track_id),
    UNIQUE(playlist_id, position));
INSERT OR IGNORE INTO sources(id, name) VALUES(1, 'Library');
INSERT OR IGNORE INTO playlists(source_id, name) VALUES(1, 'Library'), (1, 'Movies');
)sql";

const char* Column(TextProperty property) {
    switch (property) {
        case TextProperty::kName:
            return "UPDATE tracks SET name = ?2 WHERE id = ?1";
        case TextProperty::kShow:
            return "UPDATE tracks SET show = ?2 WHERE id = ?1";
        case TextProperty::kEpisodeId:
            return "UPDATE tracks SET episode_id = ?2 WHERE id = ?1";
        case TextProperty::kSortName:
            return "UPDATE tracks SET sort_name = ?2 WHERE id = ?1";
    }
    return nullptr;
}

const char* Column(IntegerProperty property) {
    switch (property) {
        case IntegerProperty::kSeasonNumber:
            return "UPDATE tracks SET season_number = ?2 WHERE id = ?1";
        case IntegerProperty::kEpisodeNumber:
            return "UPDATE tracks SET episode_number = ?2 WHERE id = ?1";
        case IntegerProperty::kVideoKind:
            return "UPDATE tracks SET video_kind = ?2 WHERE id = ?1";
    }
    return nullptr;
}

// A new track is named after its file, without the extension, until the name is written.
std::string DefaultName(std::string_view location) {
    return std::filesystem::path(std::string(location)).stem().string();
}

bool PrepareConnection(sqlite3* db) {
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // WAL lets readers and the one writer of another process go on together; FULL syncs each
    // commit, so an acknowledged add survives a crash of the machine as well.
    return Execute(db, "PRAGMA journal_mode = WAL") && Execute(db, "PRAGMA synchronous = FULL") &&
           Execute(db, "PRAGMA foreign_keys = ON");
}

}  // namespace

std::unique_ptr<LibraryDatabase> LibraryDatabase::Open(const std::string& path, bool create) {
    if (path.empty()) {
        return nullptr;
    }
    std::error_code error;
    if (create) {
        const auto folder = std::filesystem::path(path).parent_path();
        if (!folder.empty()) {
            std::filesystem::create_directories(folder, error);
            if (error) {
                return nullptr;
            }
        }
    } else if (!std::filesystem::is_regular_file(path, error)) {
        return nullptr;
    }
    sqlite3* raw = nullptr;
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const int opened = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    SqliteConnection db(raw);
    if (opened != SQLITE_OK || !PrepareConnection(db.get())) {
        return nullptr;
    }
    {
        WriteTransaction transaction(db.get());
        if (!transaction.Ok() || !Execute(db.get(), kSchema) || !transaction.Commit()) {
            return nullptr;
        }
    }
    Statement library(db.get(),
                      "SELECT id FROM playlists WHERE source_id = 1 AND name = 'Library'");
    if (library.Step() != SQLITE_ROW) {
        return nullptr;
    }
    const std::int64_t libraryPlaylistId = library.ColumnInt(0);
    return std::unique_ptr<LibraryDatabase>(new LibraryDatabase(std::move(db), libraryPlaylistId));
}

LibraryDatabase::LibraryDatabase(SqliteConnection db, std::int64_t libraryPlaylistId)
    : db_(std::move(db)), libraryPlaylistId_(libraryPlaylistId) {}

std::optional<std::int64_t> LibraryDatabase::FindSource(std::string_view name) {
    std::lock_guard lock(mutex_);
    Statement find(db_.get(), "SELECT id FROM sources WHERE name = ?1 COLLATE NOCASE");
    if (!find.Bind(1, name) || find.Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return find.ColumnInt(0);
}

std::optional<std::int64_t> LibraryDatabase::FindPlaylist(std::int64_t sourceId,
                                                          std::string_view name) {
    std::lock_guard lock(mutex_);
    Statement find(db_.get(),
                   "SELECT id FROM playlists WHERE source_id = ?1 AND name = ?2 COLLATE NOCASE "
                   "ORDER BY id LIMIT 1");
    if (!find.Bind(1, sourceId) || !find.Bind(2, name) || find.Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return find.ColumnInt(0);
}

std::optional<std::vector<std::int64_t>> LibraryDatabase::PlaylistTrackIds(
    std::int64_t playlistId) {
    std::lock_guard lock(mutex_);
    Statement list(db_.get(),
                   "SELECT track_id FROM playlist_tracks WHERE playlist_id = ?1 ORDER BY position");
    if (!list.Bind(1, playlistId)) {
        return std::nullopt;
    }
    std::vector<std::int64_t> ids;
    int step = 0;
    while ((step = list.Step()) == SQLITE_ROW) {
        ids.push_back(list.ColumnInt(0));
    }
    if (step != SQLITE_DONE) {
        return std::nullopt;
    }
    return ids;
}

std::optional<std::vector<TrackRecord>> LibraryDatabase::PlaylistTracks(std::int64_t playlistId) {
    std::lock_guard lock(mutex_);
    Statement list(db_.get(),
                   "SELECT t.id, t.location, t.name, t.show, t.season_number, t.episode_id, "
                   "t.episode_number, t.sort_name, t.video_kind, t.duration_ms, t.width, "
                   "t.height, t.codec FROM playlist_tracks p JOIN tracks t ON t.id = p.track_id "
                   "WHERE p.playlist_id = ?1 ORDER BY p.position");
    if (!list.Bind(1, playlistId)) {
        return std::nullopt;
    }
    std::vector<TrackRecord> tracks;
    int step = 0;
    while ((step = list.Step()) == SQLITE_ROW) {
        TrackRecord track;
        track.id = list.ColumnInt(0);
        track.location = list.ColumnText(1);
        track.name = list.ColumnText(2);
        track.show = list.ColumnText(3);
        track.season_number = static_cast<std::int32_t>(list.ColumnInt(4));
        track.episode_id = list.ColumnText(5);
        track.episode_number = static_cast<std::int32_t>(list.ColumnInt(6));
        track.sort_name = list.ColumnText(7);
        track.video_kind = static_cast<std::int16_t>(list.ColumnInt(8));
        track.duration_ms = list.ColumnInt(9);
        track.width = static_cast<std::int32_t>(list.ColumnInt(10));
        track.height = static_cast<std::int32_t>(list.ColumnInt(11));
        track.codec = list.ColumnText(12);
        tracks.push_back(std::move(track));
    }
    if (step != SQLITE_DONE) {
        return std::nullopt;
    }
    return tracks;
}

bool LibraryDatabase::HasLocation(std::string_view location) {
    std::lock_guard lock(mutex_);
    Statement find(db_.get(), "SELECT 1 FROM tracks WHERE location = ?1");
    return find.Bind(1, location) && find.Step() == SQLITE_ROW;
}

bool LibraryDatabase::AppendToPlaylist(std::int64_t playlistId, std::int64_t trackId) {
    Statement append(db_.get(),
                     "INSERT INTO playlist_tracks(playlist_id, track_id, position) "
                     "SELECT ?1, ?2, COALESCE(MAX(position), 0) + 1 FROM playlist_tracks "
                     "WHERE playlist_id = ?1");
    return append.Bind(1, playlistId) && append.Bind(2, trackId) && append.Step() == SQLITE_DONE;
}

InsertResult LibraryDatabase::InsertTrack(std::string_view location, const MediaInfo& media,
                                          std::int64_t playlistId) {
    std::lock_guard lock(mutex_);
    WriteTransaction transaction(db_.get());
    if (!transaction.Ok()) {
        return InsertResult::kFailed;
    }
    Statement insert(db_.get(),
                     "INSERT INTO tracks(location, name, duration_ms, width, height, codec) "
                     "VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(location) DO NOTHING");
    if (!insert.Bind(1, location) || !insert.Bind(2, DefaultName(location)) ||
        !insert.Bind(3, media.duration_ms) || !insert.Bind(4, std::int64_t{media.width}) ||
        !insert.Bind(5, std::int64_t{media.height}) || !insert.Bind(6, media.codec) ||
        insert.Step() != SQLITE_DONE) {
        return InsertResult::kFailed;
    }
    if (sqlite3_changes(db_.get()) == 0) {
        return InsertResult::kDuplicate;  // another process or thread added it first
    }
    const std::int64_t trackId = sqlite3_last_insert_rowid(db_.get());
    if (!AppendToPlaylist(libraryPlaylistId_, trackId)) {
        return InsertResult::kFailed;
    }
    if (playlistId != libraryPlaylistId_ && !AppendToPlaylist(playlistId, trackId)) {
        return InsertResult::kFailed;
    }
    return transaction.Commit() ? InsertResult::kInserted : InsertResult::kFailed;
}

std::optional<std::string> LibraryDatabase::TrackLocation(std::int64_t trackId) {
    std::lock_guard lock(mutex_);
    Statement find(db_.get(), "SELECT location FROM tracks WHERE id = ?1");
    if (!find.Bind(1, trackId) || find.Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return find.ColumnText(0);
}

bool LibraryDatabase::SetText(std::int64_t trackId, TextProperty property, std::string_view value) {
    std::lock_guard lock(mutex_);
    Statement update(db_.get(), Column(property));
    return update.Bind(1, trackId) && update.Bind(2, value) && update.Step() == SQLITE_DONE &&
           sqlite3_changes(db_.get()) == 1;
}

bool LibraryDatabase::SetInteger(std::int64_t trackId, IntegerProperty property,
                                 std::int64_t value) {
    std::lock_guard lock(mutex_);
    Statement update(db_.get(), Column(property));
    return update.Bind(1, trackId) && update.Bind(2, value) && update.Step() == SQLITE_DONE &&
           sqlite3_changes(db_.get()) == 1;
}

}  // namespace itunes::library
