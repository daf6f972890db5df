// The library's SQLite database: one source "Library", its playlists, tracks with every
// property, and each playlist's order. Safe for several threads (one connection behind a
// mutex) and for several processes (WAL, busy timeout, one write transaction per change).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/sqlite_database.h"
#include "importer/itunes/library/library_track.h"
#include "importer/itunes/library/log_syncer.h"
#include "importer/itunes/library/media_library.h"
#include "importer/itunes/library/media_probe.h"

namespace itunes::library {

enum class TextProperty { kName, kShow, kEpisodeId, kSortName };
enum class IntegerProperty { kSeasonNumber, kEpisodeNumber, kVideoKind };

enum class InsertResult { kInserted, kDuplicate, kFailed };

// A playlist's tracks in playlist order.
using TrackEntries = std::vector<LibraryTrack>;

class LibraryDatabase {
  public:
    // Opens the database at path, creating it (and its folders) only when create is set;
    // null when it does not exist (and create is not set) or cannot be opened as a library.
    static std::unique_ptr<LibraryDatabase> Open(const std::string& path, bool create);

    // Names are matched without regard to ASCII case, as the application matches them.
    std::optional<std::int64_t> FindSource(std::string_view name);
    std::optional<std::int64_t> FindPlaylist(std::int64_t sourceId, std::string_view name);

    // The playlist's tracks in playlist order, as they are now; null when the database fails.
    // The list handed out is never changed afterwards, by anyone. It is kept in memory, with
    // this connection's own adds appended, and read again only once another connection
    // (another process, or another library object) has changed the database. Its tracks write
    // to this database.
    std::shared_ptr<TrackEntries> PlaylistEntries(std::int64_t playlistId);
    // The first track of that list whose keyOf(location) is key, from an index of the list by
    // key: built when first asked for with keyOf, and kept up as the list is. std::nullopt when
    // there is none or the database fails.
    std::optional<LibraryTrack> FirstTrackWithKey(std::int64_t playlistId, std::string_view key,
                                                  LocationKeyOf keyOf);
    std::optional<std::vector<TrackRecord>> PlaylistTracks(std::int64_t playlistId);

    bool HasLocation(std::string_view location);
    // The track and its memberships of "Library" and of playlistId (when another) in one
    // transaction: all of it is there afterwards, or none.
    InsertResult InsertTrack(std::string_view location, const MediaInfo& media,
                             std::int64_t playlistId);

    // False when the track no longer exists or the write fails. Each write is committed on its
    // own before it returns.
    bool SetText(std::int64_t trackId, TextProperty property, std::string_view value);
    bool SetInteger(std::int64_t trackId, IntegerProperty property, std::int64_t value);

    // The tracks this connection has written labels of since the last call, in the order of
    // their first write, each once.
    std::vector<std::int64_t> TakeLabelled();
    // Every track whose file still lacks some of its labels (also those of earlier runs).
    std::vector<std::int64_t> TracksWithPendingTags();
    // The track as stored, with the count of its label writes; std::nullopt when it is gone.
    struct LabelledTrack {
        TrackRecord track;
        std::int64_t generation = 0;
    };
    std::optional<LabelledTrack> LabelsOf(std::int64_t trackId);
    // Records what became of writing the labels read at generation into the file; the track
    // stops being pending unless its labels were written again meanwhile.
    bool RecordTagWrite(std::int64_t trackId, std::int64_t generation, std::string_view state);

    // Whether the library writes labels into the files; on unless turned off.
    std::optional<bool> FileTagsEnabled();
    bool SetFileTagsEnabled(bool enabled);

  private:
    LibraryDatabase(common::sqlite::Database db, std::int64_t libraryPlaylistId,
                    const std::string& path);
    bool Prepared() const;
    bool AppendToPlaylist(std::int64_t playlistId, std::int64_t trackId);
    // Adds the committed track to the end of the playlist's list in memory, if it is there.
    void RememberAppended(std::int64_t playlistId, std::int64_t trackId, std::string_view location);
    common::sqlite::Statement& Update(TextProperty property);
    common::sqlite::Statement& Update(IntegerProperty property);
    // Runs a bound update on its own, so committing it; true when it changed one track.
    bool CommitUpdate(const common::sqlite::StatementUse& update);
    void RememberLabelled(std::int64_t trackId);

    std::mutex mutex_;
    // Declared before the statements, which are finalized first.
    common::sqlite::Database db_;
    // Stopped, after a last sync, before the connection closes.
    LogSyncer syncer_;
    std::int64_t libraryPlaylistId_;
    // When a commit of this connection was last synced to the disk: at first, when the library
    // was opened, by a synced commit (Open) that leaves nothing of this connection unsynced.
    SyncClock::time_point lastSync_ = SyncClock::now();

    // Prepared once, when the library is opened.
    common::sqlite::Statement findSource_;
    common::sqlite::Statement findPlaylist_;
    common::sqlite::Statement dataVersion_;
    common::sqlite::Statement listEntries_;
    common::sqlite::Statement hasLocation_;
    common::sqlite::Statement insertTrack_;
    common::sqlite::Statement nextPosition_;
    common::sqlite::Statement appendToPlaylist_;
    common::sqlite::Statement setName_;
    common::sqlite::Statement setShow_;
    common::sqlite::Statement setEpisodeId_;
    common::sqlite::Statement setSortName_;
    common::sqlite::Statement setSeasonNumber_;
    common::sqlite::Statement setEpisodeNumber_;
    common::sqlite::Statement setVideoKind_;

    // A playlist's list as kept in memory, and how many callers hold it. Appending changes it
    // in place only while nobody does; otherwise the copy is appended to and kept instead.
    struct KeptList {
        TrackEntries tracks;
        std::atomic<int> holders{0};
        // Where in tracks the first track of each key is, by keyOf; read and changed with the
        // mutex held only, so holders of the tracks never see it.
        LocationKeyOf keyOf = nullptr;
        std::unordered_map<std::string, std::size_t> firstByKey;
    };
    static std::shared_ptr<TrackEntries> HandOut(const std::shared_ptr<KeptList>& list);
    // The playlist's list as it is now, read again when another connection has changed the
    // database; null when the database fails. The mutex must be held.
    std::shared_ptr<KeptList> CurrentList(std::int64_t playlistId);

    // The lists of the playlists asked for so far, valid while the database's data version
    // (which moves with every commit of another connection) is still listsVersion_.
    std::optional<std::int64_t> listsVersion_;
    std::unordered_map<std::int64_t, std::shared_ptr<KeptList>> lists_;

    // Tracks labelled since TakeLabelled last ran, for the file writer.
    std::vector<std::int64_t> labelled_;
};

}  // namespace itunes::library
