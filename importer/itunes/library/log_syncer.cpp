#include "importer/itunes/library/log_syncer.h"

#include <system_error>

#include "common/sqlite_database.h"

namespace itunes::library {
namespace {

// How long commits gather before one sync takes them all in: well inside the second that a crash
// of the machine may cost, and long enough that an import's thousands of commits a second make a
// handful of syncs.
constexpr auto kSyncDelay = std::chrono::milliseconds(400);

// Syncs the write-ahead log of db's database: every frame written to it by any connection before
// the call is on the disk afterwards. The log is the connection's own open file, which stays the
// same file while the connection is open. False when there is no log or the sync failed.
bool SyncLog(sqlite3* db) {
    // A read opens the log when it is not open yet.
    if (common::sqlite::Execute(db, "PRAGMA data_version") != SQLITE_OK) {
        return false;
    }
    sqlite3_file* log = nullptr;
    return sqlite3_file_control(db, nullptr, SQLITE_FCNTL_JOURNAL_POINTER, &log) == SQLITE_OK &&
           log != nullptr && log->pMethods != nullptr &&
           log->pMethods->xSync(log, SQLITE_SYNC_NORMAL) == SQLITE_OK;
}

}  // namespace

void LogSyncer::Committed() {
    std::lock_guard lock(mutex_);
    if (waitingSince_ || stopping_) {
        return;
    }
    waitingSince_ = SyncClock::now();
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            // Without the thread, the committing connection syncs on its own (SyncedUpTo stays).
            waitingSince_.reset();
            stopping_ = true;
            return;
        }
    }
    wake_.notify_one();
}

void LogSyncer::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void LogSyncer::Run() {
    common::sqlite::Database db;
    const bool opened =
        common::sqlite::Open(databasePath_, SQLITE_OPEN_READWRITE, {}, db) == SQLITE_OK;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || waitingSince_.has_value(); });
        if (!waitingSince_) {
            return;
        }
        wake_.wait_until(lock, *waitingSince_ + kSyncDelay, [this] { return stopping_; });
        waitingSince_.reset();
        // Commits from now on wait for the next round; those before are in what is synced.
        const SyncClock::time_point started = SyncClock::now();
        lock.unlock();
        if (opened && SyncLog(db.get())) {
            syncedUpTo_.store(started.time_since_epoch().count());
        }
        lock.lock();
    }
}

}  // namespace itunes::library
