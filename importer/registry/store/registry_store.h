// The embedded registry store: keys, values and a log of changes in one SQLite database file.
// This layer speaks of key ids and folded names; handles, access rights and the buffer
// conventions of the registry functions live in StoreRegistryApi above it.
//
// Not thread-safe: each thread (or a mutex around it) needs its own RegistryStore. Several
// RegistryStore objects, in one process or in several, may use the same file at once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/sqlite_database.h"
#include "importer/registry/registry_api.h"

namespace registry::store {

// Keys are numbered in order of creation and numbers are never reused, so that a handle to a
// deleted key can never come to name a newer one. The predefined hives are the roots; their
// numbers are their handle values (0x80000000 to 0x80000006).
using KeyId = std::int64_t;

struct ValueRecord {
    std::string name;  // as first written
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// What a write changed, as kept in the change log: the kinds are the notification filter bits
// they satisfy, or the deletion of the key itself.
inline constexpr std::uint32_t kChangeSubkeys = kRegNotifyChangeName;    // subkey added / deleted
inline constexpr std::uint32_t kChangeValues = kRegNotifyChangeLastSet;  // value set / deleted
inline constexpr std::uint32_t kChangeKeyDeleted = 0x100;                // the key itself is gone

struct ChangeRecord {
    std::int64_t sequence = 0;  // 1, 2, 3... in commit order
    KeyId key = 0;              // the key whose subkeys or values changed, or that was deleted
    std::uint32_t kind = 0;
    std::string path;  // the key's ancestry from its hive, "/hive/.../key/" (see KeyPathText)
    // How many keys at the end of path the change concerns: one, but creating several levels at
    // once changes the subkeys of each key along them, and that is logged as one change of the
    // deepest with levels counting them, so that a change costs one row and one ancestry.
    std::uint32_t levels = 1;
};

// "/2147483649/12/6/" for the key 2147483667 below 2147483661 below HKEY_CURRENT_USER: the
// hive's number, then each key's number less its parent's. A key is numbered after its parent,
// so the differences are small (1 along levels made at once) and a deep key's text stays short;
// the text of a chain's first keys is the start of the chain's own, so a key lies in the
// subtree of another exactly when its path text starts with the other's.
std::string KeyPathText(std::span<const KeyId> chain);

// How many changes the log keeps; older ones are trimmed as new ones are written.
inline constexpr std::int64_t kKeptChanges = 4096;

// Where the last enumeration of a key stood, so that asking for the next index (or a nearby
// one) seeks from there through the index instead of counting from the first. It holds only as
// long as the store is unchanged: the last change's sequence number tells.
struct EnumCursor {
    KeyId key = 0;
    std::int64_t sequence = -1;  // none yet
    std::uint32_t index = 0;
    std::string folded;      // subkeys: the folded name at index
    std::int64_t value = 0;  // values: the row at index
};

class RegistryStore {
  public:
    RegistryStore() = default;
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // Opens the store, creating the file and its tables when missing. A file that is not a
    // store of ours (another database, or not a database) is refused.
    Status Open(const std::string& path);
    bool IsOpen() const { return database_ != nullptr; }

    // A transaction that is rolled back unless committed. A write transaction takes the
    // store's write lock at once, waiting for another writer if needed. One begun inside
    // another is a savepoint of it: its commit keeps its changes for the outer one to commit,
    // and its end without a commit undoes them alone.
    class Transaction {
      public:
        Transaction(RegistryStore& store, bool write);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

        Status Began() const { return began_; }
        Status Commit();

      private:
        RegistryStore& store_;
        std::optional<common::sqlite::Transaction> transaction_;  // the outermost only
        bool savepoint_ = false;  // open savepoint of an enclosing transaction
        Status began_;
    };

    // All of these run inside a transaction.
    Status KeyExists(KeyId key, bool& exists);
    Status FindSubkey(KeyId parent, std::string_view folded, std::optional<KeyId>& child);
    Status CreateSubkey(KeyId parent, std::string_view name, std::string_view folded, KeyId& child);
    Status HasSubkeys(KeyId key, bool& has);
    // Subkeys are enumerated in the order of their folded names, values in order of creation,
    // as Windows keeps them. cursor is where the last enumeration of the key stood; it is
    // moved to index.
    Status SubkeyAt(KeyId key, std::uint32_t index, EnumCursor& cursor,
                    std::optional<std::string>& name);
    Status DeleteKey(KeyId key);  // the key and its values; it must have no subkeys

    Status FindValue(KeyId key, std::string_view folded, std::optional<ValueRecord>& value);
    Status ValueAt(KeyId key, std::uint32_t index, EnumCursor& cursor,
                   std::optional<ValueRecord>& value);
    // Replacing a value keeps its name as first written and its place in the enumeration.
    Status SetValue(KeyId key, std::string_view name, std::string_view folded, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t size);
    Status DeleteValue(KeyId key, std::string_view folded, bool& deleted);

    // Logs change (all but its sequence number, which it receives).
    Status AppendChange(ChangeRecord& change);
    // The sequence number of the last change ever written (0 before the first).
    Status LastChange(std::int64_t& sequence);
    // Every change still in the log after the given sequence number, oldest first.
    Status ChangesAfter(std::int64_t sequence, std::vector<ChangeRecord>& changes);

  private:
    void Close();
    Status Execute(const char* sql);
    Status EnterWalMode();
    Status ReadHeader(std::int64_t& applicationId, std::int64_t& version);
    Status CreateSchema();
    Status MigrateFromVersion1();
    // The index-th row of an enumeration by one of sql's three ways (see kSubkeySeeks), the
    // cursor's position bound by bindPosition; row sees it and moves the cursor's position.
    template <typename BindPosition, typename Row>
    Status Seek(KeyId key, std::uint32_t index, EnumCursor& cursor, const char* const (&sql)[3],
                BindPosition&& bindPosition, Row&& row);
    // Runs sql with the bindings that bind makes, handing every row to onRow.
    template <typename Bind, typename OnRow>
    Status Run(const char* sql, Bind&& bind, OnRow&& onRow);
    // The cached statement for sql, or null (and status set) when it cannot be prepared.
    common::sqlite::Statement* Prepared(const char* sql, Status& status);
    Status Fail(int result) const;

    common::sqlite::Database database_;
    int transactionDepth_ = 0;
    std::map<std::string, common::sqlite::Statement, std::less<>> statements_;
};

// The Windows error code for an SQLite result code.
Status StatusOfSqlite(int result);

}  // namespace registry::store
