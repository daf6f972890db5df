#include "importer/itunes/library/library_database.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace itunes::library {

using common::sqlite::Statement;
using common::sqlite::StatementUse;
using common::sqlite::Transaction;

namespace {

// Long enough for another process's add to finish; short enough that a stuck peer shows up
// as a failed call rather than a hang.
constexpr std::chrono::milliseconds kBusyTimeout{30000};

// Runs sql (one or more statements without results); false on any error.
bool Execute(sqlite3* db, const char* sql) {
    return common::sqlite::Execute(db, sql) == SQLITE_OK;
}

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
CREATE TABLE IF NOT EXISTS settings(
    name TEXT PRIMARY KEY,
    value TEXT NOT NULL);
)sql";

// What a library made before labels reached the files lacks. Which properties were ever set
// (their bits), whether the file still lacks some of them, a count of label writes that lets the
// file writer tell whether labels changed while it wrote, and what became of the last write.
constexpr const char* kFileTagColumns = R"sql(
ALTER TABLE tracks ADD COLUMN tags_labelled INTEGER NOT NULL DEFAULT 0;
ALTER TABLE tracks ADD COLUMN tags_pending INTEGER NOT NULL DEFAULT 0;
ALTER TABLE tracks ADD COLUMN tags_generation INTEGER NOT NULL DEFAULT 0;
ALTER TABLE tracks ADD COLUMN tags_state TEXT NOT NULL DEFAULT '';
PRAGMA user_version = 1;
)sql";

// Brings a library of any earlier layout up to this one, inside the opening transaction.
bool Upgrade(sqlite3* db) {
    Statement version(db, "PRAGMA user_version");
    if (version.Step() != SQLITE_ROW) {
        return false;
    }
    return version.ColumnInt(0) >= 1 || Execute(db, kFileTagColumns);
}

// The source and the playlists every library holds from the start, by the names the program
// looks them up by; "Library" is the first playlist, so that it keeps the first id.
bool AddStandardNames(sqlite3* db) {
    Statement source(db, "INSERT OR IGNORE INTO sources(id, name) VALUES(1, ?1)");
    if (!source.Bind(1, kLibrarySourceName) || source.Step() != SQLITE_DONE) {
        return false;
    }
    Statement playlist(db, "INSERT OR IGNORE INTO playlists(source_id, name) VALUES(1, ?1)");
    for (const std::string_view name : {kLibraryPlaylistName, kMoviesPlaylistName}) {
        playlist.Reset();
        if (!playlist.Bind(1, name) || playlist.Step() != SQLITE_DONE) {
            return false;
        }
    }
    return true;
}

// A new track is named after its file, without the extension, until the name is written.
std::string DefaultName(std::string_view location) {
    return std::filesystem::path(std::string(location)).stem().string();
}

// How much the log may hold before a commit checkpoints it into the database, whatever the page
// size. A checkpoint syncs the log and the database, copies every page changed since the last
// one, and stalls the commit that runs it: an import logs some seventeen small pages a file, and
// with SQLite's default (a thousand pages) it checkpointed every sixty files; now every two
// thousand or so.
constexpr int kCheckpointBytes = 32 * 1024 * 1024;

// The page size of a new library. A commit writes every page it changed to the log whole, and
// most commits change one small row (a track's property), so small pages keep the log, its
// syncs and its checkpoints small. It takes effect only while the database is still empty: a
// library made with other pages keeps them.
constexpr int kNewPageSize = 1024;

bool PrepareConnection(sqlite3* db) {
    // WAL lets readers and the one writer of another process go on together. Each commit is
    // in the operating system's hands before the call returns, so it survives the process
    // being killed; NORMAL leaves syncing it to the disk to the log syncer, SyncPoint and the
    // checkpoints.
    if (!Execute(db, ("PRAGMA page_size = " + std::to_string(kNewPageSize)).c_str()) ||
        !Execute(db, "PRAGMA journal_mode = WAL") || !Execute(db, "PRAGMA synchronous = NORMAL") ||
        !Execute(db, "PRAGMA foreign_keys = ON")) {
        return false;
    }
    Statement pageSize(db, "PRAGMA page_size");
    if (pageSize.Step() != SQLITE_ROW || pageSize.ColumnInt(0) <= 0) {
        return false;
    }
    return sqlite3_wal_autocheckpoint(
               db, static_cast<int>(kCheckpointBytes / pageSize.ColumnInt(0))) == SQLITE_OK;
}

// A commit that comes this long after the last one synced to the disk is synced itself, and
// with it everything committed before (it is earlier in the same log). A crash of the machine
// so loses at most the commits of the last interval, never the library's consistency, while
// a busy import pays one sync a second instead of eight a file (its add and seven writes) - and
// none while the log syncer, which syncs more often, keeps up.
constexpr auto kSyncInterval = std::chrono::seconds(1);

// Makes the commits made while it lives synced ones when a sync is due: when neither this
// connection nor the library's log syncer (when there is one) has synced for an interval, as
// when the syncer's thread could not start. The level can only change outside a transaction,
// and changes as the pragma is prepared: it is run afresh each time, never kept as a prepared
// statement.
class SyncPoint {
  public:
    SyncPoint(sqlite3* db, SyncClock::time_point& lastSync, const LogSyncer* syncer = nullptr)
        : db_(db),
          lastSync_(lastSync),
          due_(SyncClock::now() -
                   std::max(lastSync, syncer != nullptr ? syncer->SyncedUpTo() : lastSync) >=
               kSyncInterval),
          ok_(!due_ || Execute(db, "PRAGMA synchronous = FULL")) {}
    ~SyncPoint() {
        if (due_) {
            Execute(db_, "PRAGMA synchronous = NORMAL");
        }
    }
    SyncPoint(const SyncPoint&) = delete;
    SyncPoint& operator=(const SyncPoint&) = delete;

    bool Ok() const { return ok_; }
    // To be called once the commit has succeeded.
    void Committed() {
        if (due_) {
            lastSync_ = SyncClock::now();
        }
    }

  private:
    sqlite3* db_;
    SyncClock::time_point& lastSync_;
    bool due_;
    bool ok_;
};

// Sets one label, and marks it as one the file should carry and the file as lacking it.
std::string LabelUpdate(std::string_view column, LabelBit bit) {
    return "UPDATE tracks SET " + std::string(column) + " = ?2, tags_labelled = tags_labelled | " +
           std::to_string(static_cast<unsigned>(bit)) +
           ", tags_pending = 1, tags_generation = tags_generation + 1 WHERE id = ?1";
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
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    common::sqlite::Database db;
    if (common::sqlite::Open(path, flags, kBusyTimeout, db) != SQLITE_OK ||
        !PrepareConnection(db.get())) {
        return nullptr;
    }
    {
        // A new library is on the disk before anything is added to it.
        SyncClock::time_point neverSynced{};
        SyncPoint synced(db.get(), neverSynced);
        Transaction transaction(db.get(), Transaction::Kind::Write);
        if (!synced.Ok() || !transaction.Open() || !Execute(db.get(), kSchema) ||
            !Upgrade(db.get()) || !AddStandardNames(db.get()) ||
            transaction.Commit() != SQLITE_OK) {
            return nullptr;
        }
    }
    Statement library(db.get(), "SELECT id FROM playlists WHERE source_id = 1 AND name = ?1");
    if (!library.Bind(1, kLibraryPlaylistName) || library.Step() != SQLITE_ROW) {
        return nullptr;
    }
    const std::int64_t libraryPlaylistId = library.ColumnInt(0);
    auto database = std::unique_ptr<LibraryDatabase>(
        new LibraryDatabase(std::move(db), libraryPlaylistId, path));
    if (!database->Prepared()) {
        return nullptr;
    }
    return database;
}

LibraryDatabase::LibraryDatabase(common::sqlite::Database db, std::int64_t libraryPlaylistId,
                                 const std::string& path)
    : db_(std::move(db)),
      syncer_(path),
      libraryPlaylistId_(libraryPlaylistId),
      findSource_(db_.get(), "SELECT id FROM sources WHERE name = ?1 COLLATE NOCASE", true),
      findPlaylist_(db_.get(),
                    "SELECT id FROM playlists WHERE source_id = ?1 AND name = ?2 COLLATE NOCASE "
                    "ORDER BY id LIMIT 1",
                    true),
      dataVersion_(db_.get(), "PRAGMA data_version", true),
      listEntries_(db_.get(),
                   "SELECT p.track_id, t.location FROM playlist_tracks p "
                   "JOIN tracks t ON t.id = p.track_id WHERE p.playlist_id = ?1 "
                   "ORDER BY p.position",
                   true),
      hasLocation_(db_.get(), "SELECT 1 FROM tracks WHERE location = ?1", true),
      insertTrack_(db_.get(),
                   "INSERT INTO tracks(location, name, duration_ms, width, height, codec) "
                   "VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(location) DO NOTHING",
                   true),
      nextPosition_(db_.get(),
                    "SELECT COALESCE(MAX(position), 0) + 1 FROM playlist_tracks "
                    "WHERE playlist_id = ?1",
                    true),
      appendToPlaylist_(db_.get(),
                        "INSERT INTO playlist_tracks(playlist_id, track_id, position) "
                        "VALUES(?1, ?2, ?3)",
                        true),
      setName_(db_.get(), LabelUpdate("name", LabelBit::kName).c_str(), true),
      setShow_(db_.get(), LabelUpdate("show", LabelBit::kShow).c_str(), true),
      setEpisodeId_(db_.get(), LabelUpdate("episode_id", LabelBit::kEpisodeId).c_str(), true),
      setSortName_(db_.get(), LabelUpdate("sort_name", LabelBit::kSortName).c_str(), true),
      setSeasonNumber_(db_.get(), LabelUpdate("season_number", LabelBit::kSeasonNumber).c_str(),
                       true),
      setEpisodeNumber_(db_.get(), LabelUpdate("episode_number", LabelBit::kEpisodeNumber).c_str(),
                        true),
      setVideoKind_(db_.get(), LabelUpdate("video_kind", LabelBit::kVideoKind).c_str(), true) {}

bool LibraryDatabase::Prepared() const {
    for (const Statement* statement :
         {&findSource_, &findPlaylist_, &dataVersion_, &listEntries_, &hasLocation_, &insertTrack_,
          &nextPosition_, &appendToPlaylist_, &setName_, &setShow_, &setEpisodeId_, &setSortName_,
          &setSeasonNumber_, &setEpisodeNumber_, &setVideoKind_}) {
        if (!statement->Ok()) {
            return false;
        }
    }
    return true;
}

Statement& LibraryDatabase::Update(TextProperty property) {
    switch (property) {
        case TextProperty::kName:
            return setName_;
        case TextProperty::kShow:
            return setShow_;
        case TextProperty::kEpisodeId:
            return setEpisodeId_;
        case TextProperty::kSortName:
            break;
    }
    return setSortName_;
}

Statement& LibraryDatabase::Update(IntegerProperty property) {
    switch (property) {
        case IntegerProperty::kSeasonNumber:
            return setSeasonNumber_;
        case IntegerProperty::kEpisodeNumber:
            return setEpisodeNumber_;
        case IntegerProperty::kVideoKind:
            break;
    }
    return setVideoKind_;
}

std::optional<std::int64_t> LibraryDatabase::FindSource(std::string_view name) {
    std::lock_guard lock(mutex_);
    StatementUse find(findSource_);
    if (!find->Bind(1, name) || find->Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return find->ColumnInt(0);
}

std::optional<std::int64_t> LibraryDatabase::FindPlaylist(std::int64_t sourceId,
                                                          std::string_view name) {
    std::lock_guard lock(mutex_);
    StatementUse find(findPlaylist_);
    if (!find->Bind(1, sourceId) || !find->Bind(2, name) || find->Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return find->ColumnInt(0);
}

std::shared_ptr<TrackEntries> LibraryDatabase::HandOut(const std::shared_ptr<KeptList>& list) {
    // Gives the list back when the last share of it ends. The release pairs with the acquire of
    // RememberAppended: whatever the holder read is done before the list changes.
    class Hold {
      public:
        explicit Hold(std::shared_ptr<KeptList> held) : list_(std::move(held)) {
            list_->holders.fetch_add(1, std::memory_order_relaxed);
        }
        ~Hold() { list_->holders.fetch_sub(1, std::memory_order_release); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        std::shared_ptr<KeptList> list_;
    };
    return std::shared_ptr<TrackEntries>(std::make_shared<Hold>(list), &list->tracks);
}

std::shared_ptr<TrackEntries> LibraryDatabase::PlaylistEntries(std::int64_t playlistId) {
    std::lock_guard lock(mutex_);
    const std::shared_ptr<KeptList> list = CurrentList(playlistId);
    return list == nullptr ? nullptr : HandOut(list);
}

std::optional<LibraryTrack> LibraryDatabase::FirstTrackWithKey(std::int64_t playlistId,
                                                               std::string_view key,
                                                               LocationKeyOf keyOf) {
    std::lock_guard lock(mutex_);
    const std::shared_ptr<KeptList> list = CurrentList(playlistId);
    if (list == nullptr || keyOf == nullptr) {
        return std::nullopt;
    }
    if (list->keyOf != keyOf) {
        list->firstByKey.clear();
        list->firstByKey.reserve(list->tracks.size());
        list->keyOf = keyOf;
        for (std::size_t i = 0; i < list->tracks.size(); ++i) {
            list->firstByKey.try_emplace(keyOf(list->tracks[i].StoredLocation()), i);
        }
    }
    const auto found = list->firstByKey.find(std::string(key));
    if (found == list->firstByKey.end()) {
        return std::nullopt;
    }
    return list->tracks[found->second];
}

std::shared_ptr<LibraryDatabase::KeptList> LibraryDatabase::CurrentList(std::int64_t playlistId) {
    std::int64_t version = 0;
    {
        StatementUse read(dataVersion_);
        if (read->Step() != SQLITE_ROW) {
            return nullptr;
        }
        version = read->ColumnInt(0);
    }
    // A commit of another connection may have added, removed or reordered anything.
    if (listsVersion_ != version) {
        lists_.clear();
        listsVersion_ = version;
    }
    if (const auto known = lists_.find(playlistId); known != lists_.end()) {
        return known->second;
    }
    // A commit of another connection between the version read above and this list's read is
    // in the list, and moves the version: the next call reads the list again, harmlessly.
    auto list = std::make_shared<KeptList>();
    StatementUse rows(listEntries_);
    if (!rows->Bind(1, playlistId)) {
        return nullptr;
    }
    int step = 0;
    while ((step = rows->Step()) == SQLITE_ROW) {
        list->tracks.emplace_back(*this, rows->ColumnInt(0), rows->ColumnText(1));
    }
    if (step != SQLITE_DONE) {
        return nullptr;
    }
    lists_.emplace(playlistId, list);
    return list;
}

void LibraryDatabase::RememberAppended(std::int64_t playlistId, std::int64_t trackId,
                                       std::string_view location) {
    const auto known = lists_.find(playlistId);
    if (known == lists_.end()) {
        return;
    }
    std::shared_ptr<KeptList>& list = known->second;
    // Nobody can take a new share without the mutex held here, so a list nobody holds stays so.
    if (list->holders.load(std::memory_order_acquire) != 0) {
        auto copy = std::make_shared<KeptList>();
        copy->tracks = list->tracks;
        copy->keyOf = list->keyOf;
        copy->firstByKey = list->firstByKey;
        list = std::move(copy);
    }
    list->tracks.emplace_back(*this, trackId, std::string(location));
    if (list->keyOf != nullptr) {
        // A key already there keeps its earlier track: the index names the first in the list.
        list->firstByKey.try_emplace(list->keyOf(location), list->tracks.size() - 1);
    }
}

namespace {

constexpr std::string_view kRecordColumns =
    "t.id, t.location, t.name, t.show, t.season_number, t.episode_id, t.episode_number, "
    "t.sort_name, t.video_kind, t.duration_ms, t.width, t.height, t.codec, t.tags_labelled, "
    "t.tags_pending, t.tags_state, t.tags_generation";

TrackRecord ReadRecord(Statement& row) {
    TrackRecord track;
    track.id = row.ColumnInt(0);
    track.location = row.ColumnText(1);
    track.name = row.ColumnText(2);
    track.show = row.ColumnText(3);
    track.season_number = static_cast<std::int32_t>(row.ColumnInt(4));
    track.episode_id = row.ColumnText(5);
    track.episode_number = static_cast<std::int32_t>(row.ColumnInt(6));
    track.sort_name = row.ColumnText(7);
    track.video_kind = static_cast<std::int16_t>(row.ColumnInt(8));
    track.duration_ms = row.ColumnInt(9);
    track.width = static_cast<std::int32_t>(row.ColumnInt(10));
    track.height = static_cast<std::int32_t>(row.ColumnInt(11));
    track.codec = row.ColumnText(12);
    track.labelled = static_cast<unsigned>(row.ColumnInt(13));
    track.tags_pending = row.ColumnInt(14) != 0;
    track.tags_state = row.ColumnText(15);
    return track;
}

}  // namespace

std::optional<std::vector<TrackRecord>> LibraryDatabase::PlaylistTracks(std::int64_t playlistId) {
    std::lock_guard lock(mutex_);
    Statement list(db_.get(), "SELECT " + std::string(kRecordColumns) +
                                  " FROM playlist_tracks p JOIN tracks t ON t.id = p.track_id "
                                  "WHERE p.playlist_id = ?1 ORDER BY p.position");
    if (!list.Bind(1, playlistId)) {
        return std::nullopt;
    }
    std::vector<TrackRecord> tracks;
    int step = 0;
    while ((step = list.Step()) == SQLITE_ROW) {
        tracks.push_back(ReadRecord(list));
    }
    if (step != SQLITE_DONE) {
        return std::nullopt;
    }
    return tracks;
}

std::optional<LibraryDatabase::LabelledTrack> LibraryDatabase::LabelsOf(std::int64_t trackId) {
    std::lock_guard lock(mutex_);
    Statement row(db_.get(),
                  "SELECT " + std::string(kRecordColumns) + " FROM tracks t WHERE t.id = ?1");
    if (!row.Bind(1, trackId) || row.Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return LabelledTrack{ReadRecord(row), row.ColumnInt(16)};
}

std::vector<std::int64_t> LibraryDatabase::TakeLabelled() {
    std::lock_guard lock(mutex_);
    return std::exchange(labelled_, {});
}

void LibraryDatabase::RememberLabelled(std::int64_t trackId) {
    // One labelling writes one track's properties one after the other.
    if (std::find(labelled_.begin(), labelled_.end(), trackId) == labelled_.end()) {
        labelled_.push_back(trackId);
    }
}

std::vector<std::int64_t> LibraryDatabase::TracksWithPendingTags() {
    std::lock_guard lock(mutex_);
    Statement rows(db_.get(), "SELECT id FROM tracks WHERE tags_pending != 0 ORDER BY id");
    std::vector<std::int64_t> ids;
    while (rows.Step() == SQLITE_ROW) {
        ids.push_back(rows.ColumnInt(0));
    }
    return ids;
}

bool LibraryDatabase::RecordTagWrite(std::int64_t trackId, std::int64_t generation,
                                     std::string_view state) {
    std::lock_guard lock(mutex_);
    Statement update(db_.get(),
                     "UPDATE tracks SET tags_state = ?3, tags_pending = CASE WHEN "
                     "tags_generation = ?2 THEN 0 ELSE tags_pending END WHERE id = ?1");
    SyncPoint synced(db_.get(), lastSync_, &syncer_);
    if (!synced.Ok() || !update.Bind(1, trackId) || !update.Bind(2, generation) ||
        !update.Bind(3, state) || update.Step() != SQLITE_DONE) {
        return false;
    }
    synced.Committed();
    syncer_.Committed();
    return true;
}

std::optional<bool> LibraryDatabase::FileTagsEnabled() {
    std::lock_guard lock(mutex_);
    Statement row(db_.get(), "SELECT value FROM settings WHERE name = 'file_tags'");
    const int step = row.Step();
    if (step == SQLITE_DONE) {
        return true;
    }
    if (step != SQLITE_ROW) {
        return std::nullopt;
    }
    return row.ColumnText(0) != "off";
}

bool LibraryDatabase::SetFileTagsEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    Statement update(db_.get(),
                     "INSERT INTO settings(name, value) VALUES('file_tags', ?1) "
                     "ON CONFLICT(name) DO UPDATE SET value = excluded.value");
    SyncClock::time_point neverSynced{};
    SyncPoint synced(db_.get(), neverSynced);
    return synced.Ok() && update.Bind(1, std::string_view(enabled ? "on" : "off")) &&
           update.Step() == SQLITE_DONE;
}

bool LibraryDatabase::HasLocation(std::string_view location) {
    std::lock_guard lock(mutex_);
    StatementUse find(hasLocation_);
    return find->Bind(1, location) && find->Step() == SQLITE_ROW;
}

bool LibraryDatabase::AppendToPlaylist(std::int64_t playlistId, std::int64_t trackId) {
    // Read, then inserted, inside the add's write transaction, so that no other writer comes
    // between. As two statements rather than one INSERT ... SELECT, which reading the table it
    // writes would first copy the result of into a temporary table.
    std::int64_t position = 0;
    {
        StatementUse next(nextPosition_);
        if (!next->Bind(1, playlistId) || next->Step() != SQLITE_ROW) {
            return false;
        }
        position = next->ColumnInt(0);
    }
    StatementUse append(appendToPlaylist_);
    return append->Bind(1, playlistId) && append->Bind(2, trackId) && append->Bind(3, position) &&
           append->Step() == SQLITE_DONE;
}

InsertResult LibraryDatabase::InsertTrack(std::string_view location, const MediaInfo& media,
                                          std::int64_t playlistId) {
    std::lock_guard lock(mutex_);
    SyncPoint synced(db_.get(), lastSync_, &syncer_);
    Transaction transaction(db_.get(), Transaction::Kind::Write);
    if (!synced.Ok() || !transaction.Open()) {
        return InsertResult::kFailed;
    }
    {
        StatementUse insert(insertTrack_);
        if (!insert->Bind(1, location) || !insert->Bind(2, DefaultName(location)) ||
            !insert->Bind(3, media.duration_ms) || !insert->Bind(4, std::int64_t{media.width}) ||
            !insert->Bind(5, std::int64_t{media.height}) || !insert->Bind(6, media.codec) ||
            insert->Step() != SQLITE_DONE) {
            return InsertResult::kFailed;
        }
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
    if (transaction.Commit() != SQLITE_OK) {
        return InsertResult::kFailed;
    }
    synced.Committed();
    syncer_.Committed();
    RememberAppended(libraryPlaylistId_, trackId, location);
    if (playlistId != libraryPlaylistId_) {
        RememberAppended(playlistId, trackId, location);
    }
    return InsertResult::kInserted;
}

bool LibraryDatabase::SetText(std::int64_t trackId, TextProperty property, std::string_view value) {
    std::lock_guard lock(mutex_);
    StatementUse update(Update(property));
    if (!update->Bind(1, trackId) || !update->Bind(2, value) || !CommitUpdate(update)) {
        return false;
    }
    RememberLabelled(trackId);
    return true;
}

bool LibraryDatabase::SetInteger(std::int64_t trackId, IntegerProperty property,
                                 std::int64_t value) {
    std::lock_guard lock(mutex_);
    StatementUse update(Update(property));
    if (!update->Bind(1, trackId) || !update->Bind(2, value) || !CommitUpdate(update)) {
        return false;
    }
    RememberLabelled(trackId);
    return true;
}

bool LibraryDatabase::CommitUpdate(const StatementUse& update) {
    SyncPoint synced(db_.get(), lastSync_, &syncer_);
    // Outside a transaction the update commits as it completes.
    if (!synced.Ok() || update->Step() != SQLITE_DONE) {
        return false;
    }
    synced.Committed();
    syncer_.Committed();
    return sqlite3_changes(db_.get()) == 1;
}

}  // namespace itunes::library
