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
#include <span>
#include <thread>

#include "importer/registry/store/store_status.h"

namespace registry::store {

using common::sqlite::Statement;

namespace {

constexpr std::chrono::milliseconds kBusyTimeout{30000};

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
    if (store_.IsOpen()) {
        const int began =
            transaction_.emplace(store_.database_.get(), write ? Kind::Write : Kind::Read).Began();
        began_ = began == SQLITE_OK ? kErrorSuccess : store_.Fail(began);
    }
}

Status RegistryStore::Transaction::Commit() {
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
            query.Bind(2, folded);
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
            query.Bind(3, folded);
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

Status RegistryStore::SubkeyAt(KeyId key, std::uint32_t index, std::optional<std::string>& name) {
    name.reset();
    return Run(
        "SELECT name FROM keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
        [&](Statement& query) {
            query.Bind(1, key);
            query.Bind(2, index);
        },
        [&](const Statement& row) { name = row.ColumnText(0); });
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
            query.Bind(2, folded);
        },
        [&](const Statement& row) { value = ValueOfRow(row); });
}

Status RegistryStore::ValueAt(KeyId key, std::uint32_t index, std::optional<ValueRecord>& value) {
    value.reset();
    return Run(
        "SELECT name, type, data FROM key_values WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
        [&](Statement& query) {
            query.Bind(1, key);
            query.Bind(2, index);
        },
        [&](const Statement& row) { value = ValueOfRow(row); });
}

Status RegistryStore::SetValue(KeyId key, std::string_view name, std::string_view folded,
                               std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    return Run(
        "INSERT INTO key_values(key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT(key, folded) DO UPDATE SET type = ?4, data = ?5",
        [&](Statement& query) {
            query.Bind(1, key);
            query.Bind(2, name);
            query.Bind(3, folded);
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
            query.Bind(2, folded);
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
        [&](Statement& query) {
            query.Bind(1, key);
            query.Bind(2, kind);
            query.Bind(3, path);
        },
        [&](const Statement& row) { appended = row.ColumnInt(0); });
    if (status != kErrorSuccess || !appended.has_value()) {
        return status != kErrorSuccess ? status : kErrorRegistryIoFailed;
    }
    sequence = *appended;
    // The log only serves watchers that are a moment behind; a watcher that falls further
    // behind than the log reaches finds a gap in the sequence and treats it as a change.
    return Run(
        "DELETE FROM changes WHERE seq <= ?1",
        [&](Statement& query) { query.Bind(1, sequence - kKeptChanges); }, NoRows);
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
        "SELECT seq, key, kind, path FROM changes WHERE seq > ?1 ORDER BY seq",
        [&](Statement& query) { query.Bind(1, sequence); },
        [&](const Statement& row) {
            changes.push_back(ChangeRecord{row.ColumnInt(0), row.ColumnInt(1),
                                           static_cast<std::uint32_t>(row.ColumnInt(2)),
                                           row.ColumnText(3)});
        });
    if (status != kErrorSuccess) {
        changes.clear();
    }
    return status;
}

}  // namespace registry::store
