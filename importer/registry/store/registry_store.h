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
};

// "/2147483649/17/23/" for the key 23 below 17 below HKEY_CURRENT_USER: a key lies in the
// subtree of another exactly when its path text starts with the other's.
std::string KeyPathText(const std::vector<KeyId>& chain);

// How many changes the log keeps; older ones are trimmed as new ones are written.
inline constexpr std::int64_t kKeptChanges = 4096;

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
    // store's write lock at once, waiting for another writer if needed.
    class Transaction {
      public:
        Transaction(RegistryStore& store, bool write);
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

        Status Began() const { return began_; }
        Status Commit();

      private:
        RegistryStore& store_;
        std::optional<common::sqlite::Transaction> transaction_;  // none when the store is closed
        Status began_;
    };

    // All of these run inside a transaction.
    Status KeyExists(KeyId key, bool& exists);
    Status FindSubkey(KeyId parent, std::string_view folded, std::optional<KeyId>& child);
    Status CreateSubkey(KeyId parent, std::string_view name, std::string_view folded, KeyId& child);
    Status HasSubkeys(KeyId key, bool& has);
    // Subkeys and values are enumerated in order of creation.
    Status SubkeyAt(KeyId key, std::uint32_t index, std::optional<std::string>& name);
    Status DeleteKey(KeyId key);  // the key and its values; it must have no subkeys

    Status FindValue(KeyId key, std::string_view folded, std::optional<ValueRecord>& value);
    Status ValueAt(KeyId key, std::uint32_t index, std::optional<ValueRecord>& value);
    // Replacing a value keeps its name as first written and its place in the enumeration.
    Status SetValue(KeyId key, std::string_view name, std::string_view folded, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t size);
    Status DeleteValue(KeyId key, std::string_view folded, bool& deleted);

    Status AppendChange(KeyId key, std::uint32_t kind, const std::string& path,
                        std::int64_t& sequence);
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
    // Runs sql with the bindings that bind makes, handing every row to onRow.
    template <typename Bind, typename OnRow>
    Status Run(const char* sql, Bind&& bind, OnRow&& onRow);
    // The cached statement for sql, or null (and status set) when it cannot be prepared.
    common::sqlite::Statement* Prepared(const char* sql, Status& status);
    Status Fail(int result) const;

    common::sqlite::Database database_;
    std::map<std::string, common::sqlite::Statement, std::less<>> statements_;
};

// The Windows error code for an SQLite result code.
Status StatusOfSqlite(int result);

}  // namespace registry::store
