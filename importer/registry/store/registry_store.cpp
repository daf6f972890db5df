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
// Names: each key and value keeps its name as written and, beside it, the name folded to upper
// case (ASCII letters only), by which it is found; a unique index on (parent, folded name)
// makes two names that differ only in case one and the same key. Bytes outside ASCII are
// compared exactly, since the bytes' code page is not known here.
#include "importer/registry/store/registry_store.h"

#include <chrono>
#include <thread>

#include "importer/registry/store/store_status.h"

namespace registry::store {

namespace {

constexpr int kBusyTimeoutMs = 30000;

// 'VEXR' in the database header marks a registry store.
constexpr std::int64_t kApplicationId = 0x56455852;
constexpr std::int64_t kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER REFERENCES keys(id),
    name TEXT NOT NULL,
    folded TEXT NOT NULL);
CREATE UNIQUE INDEX keys_by_name ON keys(parent, folded);
CREATE INDEX keys_in_order ON keys(parent);
CREATE TABLE key_values(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    key INTEGER NOT NULL REFERENCES keys(id),
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL);
CREATE UNIQUE INDEX values_by_name ON key_values(key, folded);
CREATE INDEX values_in_order ON key_values(key);
CREATE TABLE changes(
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    key INTEGER NOT NULL,
    kind INTEGER NOT NULL,
    path TEXT NOT NULL);
INSERT INTO keys(id, parent, name, folded) VALUES
    (2147483648, NULL, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),
    (2147483649, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),
    (2147483650, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),
    (2147483651, NULL, 'HKEY_USERS', 'HKEY_USERS'),
    (2147483652, NULL, 'HKEY_PERFORMANCE_DATA', 'HKEY_PERFORMANCE_DATA'),
    (2147483653, NULL, 'HKEY_CURRENT_CONFIG', 'HKEY_CURRENT_CONFIG'),
    (2147483654, NULL, 'HKEY_DYN_DATA', 'HKEY_DYN_DATA');
)sql";

}  // namespace

std::string KeyPathText(const std::vector<KeyId>& chain) {
    std::string text = "/";
    for (const KeyId key : chain) {
        text += std::to_string(key);
        text += '/';
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

template <typename Bind, typename OnRow>
Status RegistryStore::Run(const char* sql, Bind&& bind, OnRow&& onRow) {
    Status status = kErrorSuccess;
    Query query(Statement(sql, status));
    if (status != kErrorSuccess) {
        return status;
    }
    bind(query);
    for (;;) {
        const int step = query.Step();
        if (step == SQLITE_DONE) {
            return kErrorSuccess;
        }
        if (step != SQLITE_ROW) {
            return Fail(step);
        }
        onRow(query);
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
    sqlite3* opened = nullptr;
    const int result =
        sqlite3_open_v2(name.c_str(), &opened, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    DatabasePtr database(opened);
    if (result != SQLITE_OK) {
        return Fail(result);
    }
    sqlite3_extended_result_codes(database.get(), 1);
    sqlite3_busy_timeout(database.get(), kBusyTimeoutMs);
    database_ = std::move(database);

    Status status = EnterWalMode();
    for (const char* pragma : {"PRAGMA synchronous=FULL", "PRAGMA foreign_keys=ON"}) {
        if (status == kErrorSuccess) {
            status = Execute(pragma);
        }
    }
    if (status == kErrorSuccess) {
        status = CreateSchema();
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
    const auto giveUp =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        std::string mode;
        const Status status = Run(
            "PRAGMA journal_mode=WAL", [](Query&) {},
            [&mode](const Query& row) { mode = row.Text(0); });
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
            pragma, [](Query&) {}, [&field](const Query& row) { field = row.Integer(0); });
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
        // A store written by a later schema is left alone rather than misread.
        return version == kSchemaVersion ? transaction.Commit() : kErrorRegistryCorrupt;
    }
    if (applicationId != 0) {
        return kErrorRegistryCorrupt;  // some other program's database
    }
    bool hasTables = false;
    status = Run(
        "SELECT 1 FROM sqlite_schema LIMIT 1", [](Query&) {},
        [&hasTables](const Query&) { hasTables = true; });
    if (status != kErrorSuccess || hasTables) {
        return status != kErrorSuccess ? status : kErrorRegistryCorrupt;  // somebody else's
    }
    status = Execute(kSchema);
    if (status == kErrorSuccess) {
        status = Execute(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
    }
    if (status == kErrorSuccess) {
        status = Execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    }
    return status == kErrorSuccess ? transaction.Commit() : status;
}

Status RegistryStore::Execute(const char* sql) {
    char* message = nullptr;
    const int result = sqlite3_exec(database_.get(), sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    return result == SQLITE_OK ? kErrorSuccess : Fail(result);
}

sqlite3_stmt* RegistryStore::Statement(const char* sql, Status& status) {
    const auto found = statements_.find(std::string_view(sql));
    if (found != statements_.end()) {
        status = kErrorSuccess;
        return found->second.get();
    }
    sqlite3_stmt* prepared = nullptr;
    const int result =
        sqlite3_prepare_v3(database_.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr);
    StatementPtr statement(prepared);
    if (result != SQLITE_OK || statement == nullptr) {
        status = Fail(result);
        return nullptr;
    }
    status = kErrorSuccess;
    return statements_.emplace(sql, std::move(statement)).first->second.get();
}

RegistryStore::Transaction::Transaction(RegistryStore& store, bool write) : store_(store) {
    began_ = store_.IsOpen() ? store_.Execute(write ? "BEGIN IMMEDIATE" : "BEGIN")
                             : kErrorRegistryIoFailed;
    open_ = began_ == kErrorSuccess;
}

RegistryStore::Transaction::~Transaction() {
    if (open_) {
        store_.Execute("ROLLBACK");
    }
}

Status RegistryStore::Transaction::Commit() {
    if (!open_) {
        return began_ == kErrorSuccess ? kErrorRegistryIoFailed : began_;
    }
    const Status status = store_.Execute("COMMIT");
    // A COMMIT that failed (the disk full, say) leaves the transaction open: roll it back.
    open_ = status != kErrorSuccess && sqlite3_get_autocommit(store_.database_.get()) == 0;
    return status;
}

namespace {

void NoRows(const Query&) {}

ValueRecord ValueOfRow(const Query& query) {
    return ValueRecord{query.Text(0), static_cast<std::uint32_t>(query.Integer(1)), query.Blob(2)};
}

}  // namespace

Status RegistryStore::KeyExists(KeyId key, bool& exists) {
    exists = false;
    return Run(
        "SELECT 1 FROM keys WHERE id = ?1", [&](Query& query) { query.Bind(1, key); },
        [&](const Query&) { exists = true; });
}

Status RegistryStore::FindSubkey(KeyId parent, std::string_view folded,
                                 std::optional<KeyId>& child) {
    child.reset();
    return Run(
        "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2",
        [&](Query& query) {
            query.Bind(1, parent);
            query.BindText(2, folded);
        },
        [&](const Query& row) { child = row.Integer(0); });
}

Status RegistryStore::CreateSubkey(KeyId parent, std::string_view name, std::string_view folded,
                                   KeyId& child) {
    std::optional<KeyId> created;
    const Status status = Run(
        "INSERT INTO keys(parent, name, folded) VALUES (?1, ?2, ?3) RETURNING id",
        [&](Query& query) {
            query.Bind(1, parent);
            query.BindText(2, name);
            query.BindText(3, folded);
        },
        [&](const Query& row) { created = row.Integer(0); });
    if (status == kErrorSuccess && !created.has_value()) {
        return kErrorRegistryIoFailed;
    }
    child = created.value_or(0);
    return status;
}

Status RegistryStore::HasSubkeys(KeyId key, bool& has) {
    has = false;
    return Run(
        "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1", [&](Query& query) { query.Bind(1, key); },
        [&](const Query&) { has = true; });
}

Status RegistryStore::SubkeyAt(KeyId key, std::uint32_t index, std::optional<std::string>& name) {
    name.reset();
    return Run(
        "SELECT name FROM keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
        [&](Query& query) {
            query.Bind(1, key);
            query.Bind(2, index);
        },
        [&](const Query& row) { name = row.Text(0); });
}

Status RegistryStore::DeleteKey(KeyId key) {
    const auto bindKey = [key](Query& query) { query.Bind(1, key); };
    const Status status = Run("DELETE FROM key_values WHERE key = ?1", bindKey, NoRows);
    return status != kErrorSuccess ? status
                                   : Run("DELETE FROM keys WHERE id = ?1", bindKey, NoRows);
}

Status RegistryStore::FindValue(KeyId key, std::string_view folded,
                                std::optional<ValueRecord>& value) {
    value.reset();
    return Run(
        "SELECT name, type, data FROM key_values WHERE key = ?1 AND folded = ?2",
        [&](Query& query) {
            query.Bind(1, key);
            query.BindText(2, folded);
        },
        [&](const Query& row) { value = ValueOfRow(row); });
}

Status RegistryStore::ValueAt(KeyId key, std::uint32_t index, std::optional<ValueRecord>& value) {
    value.reset();
    return Run(
        "SELECT name, type, data FROM key_values WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
        [&](Query& query) {
            query.Bind(1, key);
            query.Bind(2, index);
        },
        [&](const Query& row) { value = ValueOfRow(row); });
}

Status RegistryStore::SetValue(KeyId key, std::string_view name, std::string_view folded,
                               std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    return Run(
        "INSERT INTO key_values(key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT(key, folded) DO UPDATE SET type = ?4, data = ?5",
        [&](Query& query) {
            query.Bind(1, key);
            query.BindText(2, name);
            query.BindText(3, folded);
            query.Bind(4, type);
            query.BindBlob(5, data, size);
        },
        NoRows);
}

Status RegistryStore::DeleteValue(KeyId key, std::string_view folded, bool& deleted) {
    const Status status = Run(
        "DELETE FROM key_values WHERE key = ?1 AND folded = ?2",
        [&](Query& query) {
            query.Bind(1, key);
            query.BindText(2, folded);
        },
        NoRows);
    deleted = status == kErrorSuccess && sqlite3_changes(database_.get()) > 0;
    return status;
}

Status RegistryStore::AppendChange(KeyId key, std::uint32_t kind, const std::string& path,
                                   std::int64_t& sequence) {
    std::optional<std::int64_t> appended;
    Status status = Run(
        "INSERT INTO changes(key, kind, path) VALUES (?1, ?2, ?3) RETURNING seq",
        [&](Query& query) {
            query.Bind(1, key);
            query.Bind(2, kind);
            query.BindText(3, path);
        },
        [&](const Query& row) { appended = row.Integer(0); });
    if (status != kErrorSuccess || !appended.has_value()) {
        return status != kErrorSuccess ? status : kErrorRegistryIoFailed;
    }
    sequence = *appended;
    // The log only serves watchers that are a moment behind; a watcher that falls further
    // behind than the log reaches finds a gap in the sequence and treats it as a change.
    return Run(
        "DELETE FROM changes WHERE seq <= ?1",
        [&](Query& query) { query.Bind(1, sequence - kKeptChanges); }, NoRows);
}

Status RegistryStore::LastChange(std::int64_t& sequence) {
    sequence = 0;
    // The sequence counter outlives trimmed rows, so it is read from SQLite's own record.
    return Run(
        "SELECT seq FROM sqlite_sequence WHERE name = 'changes'", [](Query&) {},
        [&](const Query& row) { sequence = row.Integer(0); });
}

Status RegistryStore::ChangesAfter(std::int64_t sequence, std::vector<ChangeRecord>& changes) {
    changes.clear();
    const Status status = Run(
        "SELECT seq, key, kind, path FROM changes WHERE seq > ?1 ORDER BY seq",
        [&](Query& query) { query.Bind(1, sequence); },
        [&](const Query& row) {
            changes.push_back(ChangeRecord{row.Integer(0), row.Integer(1),
                                           static_cast<std::uint32_t>(row.Integer(2)),
                                           row.Text(3)});
        });
    if (status != kErrorSuccess) {
        changes.clear();
    }
    return status;
}

}  // namespace registry::store
