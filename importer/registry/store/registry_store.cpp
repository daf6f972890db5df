// The registry store's database.
//
// Why this is crash-safe: the database runs in SQLite's write-ahead-log (WAL) mode with
// synchronous=FULL. A commit appends the changed pages and a commit record to the -wal file
// and fsyncs it before the commit returns; frames carry cumulative checksums, and readers and
// the recovery after a crash honour only the frames up to the last complete commit record. So
// a writer killed half way (kill -9, or the machine losing power) leaves at most an incomplete
// tail that nobody ever reads: each transaction is there entirely or not at all, and one that
// was acknowledged was on disk already. Checkpoints copy committed pages into the main file and
// fsync it before the log is reused, so a crash during one is simply repeated. Every registry
// operation that writes is one transaction, holding the data change and its change-log rows
// together, so the log never tells of a change that is not there.
//
// Concurrency: WAL lets readers go on while one writer writes. A write transaction begins with
// BEGIN IMMEDIATE, taking the write lock before it reads anything, so it never has to upgrade a
// read snapshot (which fails at once with SQLITE_BUSY_SNAPSHOT instead of waiting); the busy
// timeout makes a second writer, in this process or another, wait for the first.
//
// Names: each key and value keeps its name as written and, beside it, its folded key
// (key_names.h: upper-cased, as UTF-16BE bytes), by which it is found; a unique index on
// (parent, folded name) makes two names that differ only in case one and the same key, and
// gives the subkeys in Windows' order, so that the i-th is a seek in the index rather than a
// count of rows. Values are listed in order of creation through an index on (key, id).
//
// Versions: 1 folded ASCII letters only, as TEXT. Opening a version 1 store rebuilds its
// tables with the folded keys of today (MigrateFromVersion1); a store of a later version is
// refused rather than misread.
#include "importer/registry/store/registry_store.h"

#include <chrono>
#include <span>
#include <thread>
#include <unordered_map>

#include "importer/registry/store/key_names.h"
#include "importer/registry/store/store_status.h"

namespace registry::store {

using common::sqlite::Statement;

namespace {

constexpr std::chrono::milliseconds kBusyTimeout{30000};

// 'VEXR' in the database header marks a registry store.
constexpr std::int64_t kApplicationId = 0x56455852;
constexpr std::int64_t kSchemaVersion = 2;

// The tables of keys and values, made afresh or when a version 1 store is rebuilt.
constexpr const char* kKeyTables = R"sql(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER REFERENCES keys(id),
    name TEXT NOT NULL,
    folded BLOB NOT NULL);
CREATE UNIQUE INDEX keys_by_name ON keys(parent, folded);
CREATE TABLE key_values(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    key INTEGER NOT NULL REFERENCES keys(id),
    name TEXT NOT NULL,
    folded BLOB NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL);
CREATE UNIQUE INDEX values_by_name ON key_values(key, folded);
CREATE INDEX values_in_order ON key_values(key, id);
)sql";

constexpr const char* kChangeTable = R"sql(
CREATE TABLE changes(
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    key INTEGER NOT NULL,
    kind INTEGER NOT NULL,
    path TEXT NOT NULL,
    levels INTEGER NOT NULL DEFAULT 1);
)sql";

struct Hive {
    KeyId id;
    const char* name;
};

constexpr Hive kHives[] = {{kHkeyClassesRoot, "HKEY_CLASSES_ROOT"},
                           {kHkeyCurrentUser, "HKEY_CURRENT_USER"},
                           {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},
                           {kHkeyUsers, "HKEY_USERS"},
                           {kHkeyPerformanceData, "HKEY_PERFORMANCE_DATA"},
                           {kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG"},
                           {kHkeyDynData, "HKEY_DYN_DATA"}};

}  // namespace

std::string KeyPathText(std::span<const KeyId> chain) {
    std::string text = "/";
    KeyId parent = 0;
    for (const KeyId key : chain) {
        text += std::to_string(key - parent);
        text += '/';
        parent = key;
    }
    return text;
}

Status StatusOfSqlite(int result) {
    switch (result & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return kErrorSuccess;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return kErrorBusy;
        case SQLITE_NOMEM:
        case SQLITE_TOOBIG:
            return kErrorNotEnoughMemory;
        case SQLITE_FULL:
            return kErrorDiskFull;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return kErrorAccessDenied;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_SCHEMA:
            return kErrorRegistryCorrupt;
        default:
            return kErrorRegistryIoFailed;
    }
}

Status RegistryStore::Fail(int result) const {
    const Status status = StatusOfSqlite(result);
    return status == kErrorSuccess ? kErrorRegistryIoFailed : status;
}

// Each run resets the cached statement when it ends, so that the next finds it clean and no
// read snapshot stays open.
template <typename Bind, typename OnRow>
Status RegistryStore::Run(const char* sql, Bind&& bind, OnRow&& onRow) {
    Status status = kErrorSuccess;
    Statement* const statement = Prepared(sql, status);
    if (statement == nullptr) {
        return status;
    }
    const common::sqlite::StatementUse use(*statement);
    bind(*statement);
    for (;;) {
        const int step = statement->Step();
        if (step == SQLITE_DONE) {
            return kErrorSuccess;
        }
        if (step != SQLITE_ROW) {
            return Fail(step);
        }
        onRow(*statement);
    }
}

void RegistryStore::Close() {
    statements_.clear();  // statements go before their connection
    database_.reset();
}

Status RegistryStore::Open(const std::string& path) {
    Close();
    if (path.empty()) {
        return kErrorRegistryIoFailed;  // SQLite would open a private temporary database
    }
    // A relative name starting "file:" would be read as a URI where URIs are enabled.
    const std::string name = path.rfind("file:", 0) == 0 ? "./" + path : path;
    const int result = common::sqlite::Open(name, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                            kBusyTimeout, database_);
    if (result != SQLITE_OK) {
        return Fail(result);
    }

    Status status = EnterWalMode();
    if (status == kErrorSuccess) {
        status = Execute("PRAGMA synchronous=FULL");
    }
    // Each operation inside RunAsOneChange is a savepoint, whose journal of the pages it
    // changes would otherwise be a temporary file written for every operation.
    if (status == kErrorSuccess) {
        status = Execute("PRAGMA temp_store=MEMORY");
    }
    // The schema before the foreign keys: rebuilding the tables of an older store renames and
    // drops tables that refer to each other.
    if (status == kErrorSuccess) {
        status = CreateSchema();
    }
    if (status == kErrorSuccess) {
        status = Execute("PRAGMA foreign_keys=ON");
    }
    if (status != kErrorSuccess) {
        Close();
    }
    return status;
}

// The journal mode is kept in the file, so this switches a new store once; later it just
// confirms. The switch needs the file to itself and, to avoid a deadlock, SQLite refuses it at
// once rather than through the busy timeout when another connection is in the way (two
// processes making the store at the same moment): so it is tried again for as long.
Status RegistryStore::EnterWalMode() {
    const auto giveUp = std::chrono::steady_clock::now() + kBusyTimeout;
    for (;;) {
        std::string mode;
        const Status status = Run(
            "PRAGMA journal_mode=WAL", [](Statement&) {},
            [&mode](const Statement& row) { mode = row.ColumnText(0); });
        if (status == kErrorSuccess) {
            return mode == "wal" ? kErrorSuccess : kErrorRegistryIoFailed;  // no WAL support here
        }
        if (status != kErrorBusy || std::chrono::steady_clock::now() >= giveUp) {
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

Status RegistryStore::ReadHeader(std::int64_t& applicationId, std::int64_t& version) {
    const auto read = [this](const char* pragma, std::int64_t& field) {
        return Run(
            pragma, [](Statement&) {},
            [&field](const Statement& row) { field = row.ColumnInt(0); });
    };
    const Status status = read("PRAGMA application_id", applicationId);
    return status != kErrorSuccess ? status : read("PRAGMA user_version", version);
}

Status RegistryStore::CreateSchema() {
    // Most opens find the store made: that needs no write lock, which a busy writer elsewhere
    // could keep us waiting for.
    std::int64_t applicationId = 0;
    std::int64_t version = 0;
    Status status = ReadHeader(applicationId, version);
    if (status == kErrorSuccess && applicationId == kApplicationId && version == kSchemaVersion) {
        return kErrorSuccess;
    }
    Transaction transaction(*this, true);
    if (transaction.Began() != kErrorSuccess) {
        return transaction.Began();
    }
    status = ReadHeader(applicationId, version);  // again, now that nobody else can make it
    if (status != kErrorSuccess) {
        return status;
    }
    if (applicationId == kApplicationId) {
        if (version == 1) {
            status = MigrateFromVersion1();
            return status == kErrorSuccess ? transaction.Commit() : status;
        }
        // A store written by a later schema is left alone rather than misread.
        return version == kSchemaVersion ? transaction.Commit() : kErrorRegistryCorrupt;
    }
    if (applicationId != 0) {
        return kErrorRegistryCorrupt;  // some other program's database
    }
    bool hasTables = false;
    status = Run(
        "SELECT 1 FROM sqlite_schema LIMIT 1", [](Statement&) {},
        [&hasTables](const Statement&) { hasTables = true; });
    if (status != kErrorSuccess || hasTables) {
        return status != kErrorSuccess ? status : kErrorRegistryCorrupt;  // somebody else's
    }
    status = Execute(kKeyTables);
    if (status == kErrorSuccess) {
        status = Execute(kChangeTable);
    }
    for (const Hive& hive : kHives) {
        if (status == kErrorSuccess) {
            status = Run(
                "INSERT INTO keys(id, parent, name, folded) VALUES (?1, NULL, ?2, ?3)",
                [&](Statement& insert) {
                    insert.Bind(1, hive.id);
                    insert.Bind(2, hive.name);
                    insert.BindBlob(3, FoldedBytes(FoldName(hive.name)));
                },
                [](const Statement&) {});
        }
    }
    if (status == kErrorSuccess) {
        status = Execute(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
    }
    if (status == kErrorSuccess) {
        status = Execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    }
    return status == kErrorSuccess ? transaction.Commit() : status;
}

// Rebuilds the keys and values of a version 1 store with today's folded keys, inside the
// transaction that opens it. Names that were two under the old folding and are one now ("Ä"
// and "ä" below the same key) become one key: the one made first keeps its name, the later
// one's subkeys join it (merging in turn), and of two values of one name the first made stays.
// Keys keep their numbers, except those merged away. The change log's rows, whose path texts
// were written another way, go; its sequence goes on, so that a watcher that was behind sees
// the gap and takes it for a change.
Status RegistryStore::MigrateFromVersion1() {
    Status status = Execute(R"sql(
ALTER TABLE key_values RENAME TO old_values;
ALTER TABLE keys RENAME TO old_keys;
DROP INDEX keys_by_name;
DROP INDEX keys_in_order;
DROP INDEX values_by_name;
DROP INDEX values_in_order;
ALTER TABLE changes ADD COLUMN levels INTEGER NOT NULL DEFAULT 1;
DELETE FROM changes;
)sql");
    if (status == kErrorSuccess) {
        status = Execute(kKeyTables);
    }
    // Parents come before their children in order of number, so each key's parent is in place
    // (or merged, and known) before the key.
    std::unordered_map<KeyId, KeyId> mergedInto;
    const auto renumbered = [&mergedInto](KeyId key) {
        const auto merged = mergedInto.find(key);
        return merged == mergedInto.end() ? key : merged->second;
    };
    Status step = kErrorSuccess;
    if (status == kErrorSuccess) {
        status = Run(
            "SELECT id, coalesce(parent, 0), name FROM old_keys ORDER BY id", [](Statement&) {},
            [&](const Statement& row) {
                const KeyId id = row.ColumnInt(0);
                const KeyId parent = renumbered(row.ColumnInt(1));  // 0: a hive
                const std::string name = row.ColumnText(2);
                const std::string folded = FoldName(name);
                std::optional<KeyId> existing;
                if (step == kErrorSuccess && parent != 0) {
                    step = FindSubkey(parent, folded, existing);
                }
                if (step != kErrorSuccess) {
                    return;
                }
                if (existing.has_value()) {
                    mergedInto.emplace(id, *existing);
                    return;
                }
                step = Run(
                    "INSERT INTO keys(id, parent, name, folded) VALUES (?1, nullif(?2, 0), ?3, ?4)",
                    [&](Statement& insert) {
                        insert.Bind(1, id);
                        insert.Bind(2, parent);
                        insert.Bind(3, name);
                        insert.BindBlob(4, FoldedBytes(folded));
                    },
                    [](const Statement&) {});
            });
    }
    if (status == kErrorSuccess) {
        status = step;
    }
    if (status == kErrorSuccess) {
        status = Run(
            "SELECT id, key, name, type, data FROM old_values ORDER BY id", [](Statement&) {},
            [&](const Statement& row) {
                if (step != kErrorSuccess) {
                    return;
                }
                const std::string name = row.ColumnText(2);
                const std::vector<std::uint8_t> data = row.ColumnBlob(4);
                step = Run(
                    "INSERT INTO key_values(id, key, name, folded, type, data) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(key, folded) DO NOTHING",
                    [&](Statement& insert) {
                        insert.Bind(1, row.ColumnInt(0));
                        insert.Bind(2, renumbered(row.ColumnInt(1)));
                        insert.Bind(3, name);
                        insert.BindBlob(4, FoldedBytes(FoldName(name)));
                        insert.Bind(5, row.ColumnInt(3));
                        insert.BindBlob(6, data);
                    },
                    [](const Statement&) {});
            });
    }
    if (status == kErrorSuccess) {
        status = step;
    }
    if (status == kErrorSuccess) {
        status = Execute("DROP TABLE old_values; DROP TABLE old_keys;");
    }
    if (status == kErrorSuccess) {
        status = Execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    }
    return status;
}

Status RegistryStore::Execute(const char* sql) {
    const int result = common::sqlite::Execute(database_.get(), sql);
    return result == SQLITE_OK ? kErrorSuccess : Fail(result);
}

Statement* RegistryStore::Prepared(const char* sql, Status& status) {
    auto found = statements_.find(std::string_view(sql));
    if (found == statements_.end()) {
        found = statements_.try_emplace(sql, database_.get(), sql, true).first;
    }
    Statement& statement = found->second;
    if (!statement.Ok()) {
        status = Fail(statement.PrepareResult());
        statements_.erase(found);  // prepared again at the next use
        return nullptr;
    }
    status = kErrorSuccess;
    return &statement;
}

RegistryStore::Transaction::Transaction(RegistryStore& store, bool write)
    : store_(store), began_(kErrorRegistryIoFailed) {
    using Kind = common::sqlite::Transaction::Kind;
    if (!store_.IsOpen()) {
        return;
    }
    if (store_.transactionDepth_ > 0) {
        began_ = store_.Execute("SAVEPOINT nested");
        savepoint_ = began_ == kErrorSuccess;
    } else {
        const int began =
            transaction_.emplace(store_.database_.get(), write ? Kind::Write : Kind::Read).Began();
        began_ = began == SQLITE_OK ? kErrorSuccess : store_.Fail(began);
    }
    if (began_ == kErrorSuccess) {
        ++store_.transactionDepth_;
    }
}

RegistryStore::Transaction::~Transaction() {
    if (savepoint_) {
        // Undone, and then let go of, so that the enclosing transaction goes on without it.
        store_.Execute("ROLLBACK TO nested");
        store_.Execute("RELEASE nested");
    }
    if (began_ == kErrorSuccess) {
        --store_.transactionDepth_;
    }
    transaction_.reset();  // rolls back unless committed
}

Status RegistryStore::Transaction::Commit() {
    if (savepoint_) {
        const Status status = store_.Execute("RELEASE nested");
        savepoint_ = status != kErrorSuccess;
        return status;
    }
    if (!transaction_ || !transaction_->Open()) {
        return began_ == kErrorSuccess ? kErrorRegistryIoFailed : began_;
    }
    const int result = transaction_->Commit();
    return result == SQLITE_OK ? kErrorSuccess : store_.Fail(result);
}

namespace {

void NoRows(const Statement&) {}

ValueRecord ValueOfRow(const Statement& row) {
    return ValueRecord{row.ColumnText(0), static_cast<std::uint32_t>(row.ColumnInt(1)),
                       row.ColumnBlob(2)};
}

// The three ways to the index-th row of an enumeration: from the first row, forward from the
// cursor's row, or back from it. ?1 the key, ?2 the cursor's position, ?3 the rows to skip.
constexpr const char* const kSubkeySeeks[3] = {
    "SELECT name, folded FROM keys WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?3",
    "SELECT name, folded FROM keys WHERE parent = ?1 AND folded >= ?2 "
    "ORDER BY folded LIMIT 1 OFFSET ?3",
    "SELECT name, folded FROM keys WHERE parent = ?1 AND folded < ?2 "
    "ORDER BY folded DESC LIMIT 1 OFFSET ?3"};
constexpr const char* const kValueSeeks[3] = {
    "SELECT name, type, data, id FROM key_values WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?3",
    "SELECT name, type, data, id FROM key_values WHERE key = ?1 AND id >= ?2 "
    "ORDER BY id LIMIT 1 OFFSET ?3",
    "SELECT name, type, data, id FROM key_values WHERE key = ?1 AND id < ?2 "
    "ORDER BY id DESC LIMIT 1 OFFSET ?3"};

}  // namespace

Status RegistryStore::KeyExists(KeyId key, bool& exists) {
    exists = false;
    return Run(
        "SELECT 1 FROM keys WHERE id = ?1", [&](Statement& query) { query.Bind(1, key); },
        [&](const Statement&) { exists = true; });
}

Status RegistryStore::FindSubkey(KeyId parent, std::string_view folded,
                                 std::optional<KeyId>& child) {
    child.reset();
    return Run(
        "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2",
        [&](Statement& query) {
            query.Bind(1, parent);
            query.BindBlob(2, FoldedBytes(folded));
        },
        [&](const Statement& row) { child = row.ColumnInt(0); });
}

Status RegistryStore::CreateSubkey(KeyId parent, std::string_view name, std::string_view folded,
                                   KeyId& child) {
    std::optional<KeyId> created;
    const Status status = Run(
        "INSERT INTO keys(parent, name, folded) VALUES (?1, ?2, ?3) RETURNING id",
        [&](Statement& query) {
            query.Bind(1, parent);
            query.Bind(2, name);
            query.BindBlob(3, FoldedBytes(folded));
        },
        [&](const Statement& row) { created = row.ColumnInt(0); });
    if (status == kErrorSuccess && !created.has_value()) {
        return kErrorRegistryIoFailed;
    }
    child = created.value_or(0);
    return status;
}

Status RegistryStore::HasSubkeys(KeyId key, bool& has) {
    has = false;
    return Run(
        "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
        [&](Statement& query) { query.Bind(1, key); }, [&](const Statement&) { has = true; });
}

// Each way costs the rows it skips, after one seek: the cursor makes the next index (the usual
// request) one seek, and any other the distance from the nearer of the first row and the
// cursor's.
template <typename BindPosition, typename Row>
Status RegistryStore::Seek(KeyId key, std::uint32_t index, EnumCursor& cursor,
                           const char* const (&sql)[3], BindPosition&& bindPosition, Row&& row) {
    std::int64_t sequence = 0;
    Status status = LastChange(sequence);
    if (status != kErrorSuccess) {
        return status;
    }
    const bool current = cursor.key == key && cursor.sequence == sequence;
    int way = 0;
    std::int64_t skip = index;
    if (current && index >= cursor.index) {
        way = 1;
        skip = index - cursor.index;
    } else if (current && cursor.index - index <= index) {
        way = 2;
        skip = cursor.index - index - 1;
    }
    const EnumCursor from = cursor;
    bool found = false;
    status = Run(
        sql[way],
        [&](Statement& query) {
            query.Bind(1, key);
            if (way != 0) {
                bindPosition(query, from);
            }
            query.Bind(3, skip);
        },
        [&](const Statement& foundRow) {
            found = true;
            row(foundRow);
        });
    if (status == kErrorSuccess && found) {
        cursor.key = key;
        cursor.sequence = sequence;
        cursor.index = index;
    }
    return status;
}

Status RegistryStore::SubkeyAt(KeyId key, std::uint32_t index, EnumCursor& cursor,
                               std::optional<std::string>& name) {
    name.reset();
    return Seek(
        key, index, cursor, kSubkeySeeks,
        [](Statement& query, const EnumCursor& from) {
            query.BindBlob(2, FoldedBytes(from.folded));
        },
        [&](const Statement& row) {
            name = row.ColumnText(0);
            const std::vector<std::uint8_t> folded = row.ColumnBlob(1);
            cursor.folded.assign(folded.begin(), folded.end());
        });
}

Status RegistryStore::DeleteKey(KeyId key) {
    const auto bindKey = [key](Statement& query) { query.Bind(1, key); };
    const Status status = Run("DELETE FROM key_values WHERE key = ?1", bindKey, NoRows);
    return status != kErrorSuccess ? status
                                   : Run("DELETE FROM keys WHERE id = ?1", bindKey, NoRows);
}

Status RegistryStore::FindValue(KeyId key, std::string_view folded,
                                std::optional<ValueRecord>& value) {
    value.reset();
    return Run(
        "SELECT name, type, data FROM key_values WHERE key = ?1 AND folded = ?2",
        [&](Statement& query) {
            query.Bind(1, key);
            query.BindBlob(2, FoldedBytes(folded));
        },
        [&](const Statement& row) { value = ValueOfRow(row); });
}

Status RegistryStore::ValueAt(KeyId key, std::uint32_t index, EnumCursor& cursor,
                              std::optional<ValueRecord>& value) {
    value.reset();
    return Seek(
        key, index, cursor, kValueSeeks,
        [](Statement& query, const EnumCursor& from) { query.Bind(2, from.value); },
        [&](const Statement& row) {
            value = ValueOfRow(row);
            cursor.value = row.ColumnInt(3);
        });
}

Status RegistryStore::SetValue(KeyId key, std::string_view name, std::string_view folded,
                               std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    return Run(
        "INSERT INTO key_values(key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT(key, folded) DO UPDATE SET type = ?4, data = ?5",
        [&](Statement& query) {
            query.Bind(1, key);
            query.Bind(2, name);
            query.BindBlob(3, FoldedBytes(folded));
            query.Bind(4, type);
            query.BindBlob(5, std::span(data, size));
        },
        NoRows);
}

Status RegistryStore::DeleteValue(KeyId key, std::string_view folded, bool& deleted) {
    const Status status = Run(
        "DELETE FROM key_values WHERE key = ?1 AND folded = ?2",
        [&](Statement& query) {
            query.Bind(1, key);
            query.BindBlob(2, FoldedBytes(folded));
        },
        NoRows);
    deleted = status == kErrorSuccess && sqlite3_changes(database_.get()) > 0;
    return status;
}

Status RegistryStore::AppendChange(ChangeRecord& change) {
    std::optional<std::int64_t> appended;
    Status status = Run(
        "INSERT INTO changes(key, kind, path, levels) VALUES (?1, ?2, ?3, ?4) RETURNING seq",
        [&](Statement& query) {
            query.Bind(1, change.key);
            query.Bind(2, change.kind);
            query.Bind(3, change.path);
            query.Bind(4, change.levels);
        },
        [&](const Statement& row) { appended = row.ColumnInt(0); });
    if (status != kErrorSuccess || !appended.has_value()) {
        return status != kErrorSuccess ? status : kErrorRegistryIoFailed;
    }
    change.sequence = *appended;
    // The log only serves watchers that are a moment behind; a watcher that falls further
    // behind than the log reaches finds a gap in the sequence and treats it as a change.
    return Run(
        "DELETE FROM changes WHERE seq <= ?1",
        [&](Statement& query) { query.Bind(1, change.sequence - kKeptChanges); }, NoRows);
}

Status RegistryStore::LastChange(std::int64_t& sequence) {
    sequence = 0;
    // The sequence counter outlives trimmed rows, so it is read from SQLite's own record.
    return Run(
        "SELECT seq FROM sqlite_sequence WHERE name = 'changes'", [](Statement&) {},
        [&](const Statement& row) { sequence = row.ColumnInt(0); });
}

Status RegistryStore::ChangesAfter(std::int64_t sequence, std::vector<ChangeRecord>& changes) {
    changes.clear();
    const Status status = Run(
        "SELECT seq, key, kind, path, levels FROM changes WHERE seq > ?1 ORDER BY seq",
        [&](Statement& query) { query.Bind(1, sequence); },
        [&](const Statement& row) {
            changes.push_back(ChangeRecord{
                row.ColumnInt(0), row.ColumnInt(1), static_cast<std::uint32_t>(row.ColumnInt(2)),
                row.ColumnText(3), static_cast<std::uint32_t>(row.ColumnInt(4))});
        });
    if (status != kErrorSuccess) {
        changes.clear();
    }
    return status;
}

}  // namespace registry::store
