// The registry functions answered by the embedded registry store, behaving as advapi32's do
// for the operations of the seam.
//
// Handles: the predefined hives are their fixed values and need no opening; opened keys get
// values from 0x100 upwards in steps of 4 (never 0, never a hive's value), each remembering its
// key and the access granted. Generic rights map to the key rights as on Windows (GENERIC_READ
// to KEY_READ, GENERIC_ALL and MAXIMUM_ALLOWED to KEY_ALL_ACCESS...). There is no security
// descriptor: every access asked for is granted, and an operation checks the right it needs
// on the handle (5 when missing): KEY_QUERY_VALUE to query and enumerate values,
// KEY_SET_VALUE to set and delete values, KEY_ENUMERATE_SUB_KEYS to enumerate subkeys,
// KEY_NOTIFY to watch. As on Windows, opening, creating and deleting below a handle need no
// right on that handle: the rights of the key that is reached count, and those are all given.
//
// Opening with an empty path on a hive gives the hive itself, as advapi32 does; creating with
// one, or opening one on an opened key, gives a further handle. A handle whose key has been
// deleted (through another handle, or by another process) answers ERROR_KEY_DELETED to
// everything but closing. Closing a hive leaves it open, but ends the notifications registered
// on its handle, as closing any handle does.
//
// Windows' limits hold: a key lies at most 512 levels below its hive (creating deeper fails at
// once with ERROR_NO_SYSTEM_RESOURCES, creating nothing), a key name has at most 255
// characters and a value name 16,383 (ERROR_INVALID_PARAMETER when creating or setting; no
// such key or value is ever found). Names compare as key_names.h says.
//
// Subkeys are enumerated in the order of their upper-cased names, values in order of
// creation; replacing a value keeps its place and its name as first written. Each handle keeps
// where its last enumeration stood, so that enumerating index 0, 1, 2... costs one seek each.
//
// Changes: every operation that writes is one transaction, and RunAsOneChange makes all the
// operations of its function one (one inside another is a savepoint of it); notifications
// follow its commit, and a synchronous RegNotifyChangeKeyValue inside it is refused
// (ERROR_POSSIBLE_DEADLOCK: no other writer could make the change it would wait for). Each
// operation logs one change row (two for a deletion) holding the ancestry of the key it changed
// once, whatever the number of levels it created.
//
// Thread-safe: one mutex guards the store connection and the handle table; a synchronous
// RegNotifyChangeKeyValue waits without holding it. The thread running RunAsOneChange holds it
// until the function returns, so that no other thread's operation slips into the transaction.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "importer/registry/registry_api.h"
#include "importer/registry/store/change_notifications.h"
#include "importer/registry/store/registry_store.h"

namespace registry {

class StoreRegistryApi final : public RegistryApi {
  public:
    // Opens (creating when missing) the store at databasePath. When that fails, every
    // operation reports OpenStatus() (or ERROR_INVALID_HANDLE for an unknown handle).
    explicit StoreRegistryApi(std::string databasePath);
    ~StoreRegistryApi() override;
    StoreRegistryApi(const StoreRegistryApi&) = delete;
    StoreRegistryApi& operator=(const StoreRegistryApi&) = delete;

    Status OpenStatus() const { return openStatus_; }

    Status RegOpenKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) override;
    Status RegCreateKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) override;
    Status RegQueryValueEx(Hkey key, std::string_view valueName, std::uint32_t* type,
                           std::uint8_t* data, std::uint32_t* dataSize) override;
    Status RegSetValueEx(Hkey key, std::string_view valueName, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t dataSize) override;
    Status RegEnumKeyEx(Hkey key, std::uint32_t index, char* name,
                        std::uint32_t& nameLength) override;
    Status RegEnumValue(Hkey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                        std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override;
    Status RegDeleteKey(Hkey key, std::string_view subKey) override;
    Status RegDeleteValue(Hkey key, std::string_view valueName) override;
    Status RegNotifyChangeKeyValue(Hkey key, bool watchSubtree, std::uint32_t filter,
                                   EventHandle event, bool asynchronous) override;
    Status RegCloseKey(Hkey key) override;
    Status RunAsOneChange(const std::function<Status()>& changes) override;

  private:
    using Chain = std::shared_ptr<const std::vector<store::KeyId>>;

    struct OpenedKey {
        store::KeyId id = 0;
        Access access = 0;
        Chain chain;  // from the hive down to the key itself, shared by its handles' copies
        std::size_t Depth() const { return chain->size() - 1; }
    };

    // Where each handle's enumerations stand.
    struct Cursors {
        store::EnumCursor subkeys;
        store::EnumCursor values;
    };

    // The transaction of a RunAsOneChange, while its function runs. (Its constructor is spelled
    // out so that std::optional may make one before this class is complete, as clang demands.)
    struct OneChange {
        OneChange() noexcept {}
        std::int64_t lastBefore = 0;  // the last change committed before it
        std::vector<store::ChangeRecord> changes;
    };

    Status OpenOrCreate(Hkey key, std::string_view subKey, Access access, bool create,
                        Hkey& result);
    // Runs work() in a read transaction, after checking that the key still exists.
    template <typename Work>
    Status Read(const OpenedKey& key, Work&& work);
    // Runs work(changes) in a write transaction, after checking that the key still exists;
    // commits, and hands the changes work logged to this object's subscriptions.
    template <typename Work>
    Status Write(const OpenedKey& key, Work&& work);

    // The key behind a handle, if the handle grants the rights needed. Needs mutex_.
    Status Find(Hkey key, Access needed, OpenedKey& opened) const;
    // Find without rights, and the levels of subKey below that key.
    Status FindPath(Hkey key, std::string_view subKey, OpenedKey& opened,
                    std::vector<std::string_view>& levels) const;
    // ERROR_KEY_DELETED when the key is gone. Inside a transaction.
    Status CheckAlive(const OpenedKey& opened);
    // Walks (and with create, makes) the levels below key inside a transaction; folded holds
    // their folded names. Creating logs one change for all the levels made.
    Status Walk(OpenedKey& key, const std::vector<std::string_view>& levels,
                const std::vector<std::string>& folded, bool create,
                std::vector<store::ChangeRecord>& changes);
    // Logs a change of the last levels keys of chain (up to and including its element end).
    Status LogChange(const std::vector<store::KeyId>& chain, std::size_t end, std::uint32_t kind,
                     std::uint32_t levels, std::vector<store::ChangeRecord>& changes);
    // Commits a write and hands its changes to this object's own subscriptions, or inside
    // RunAsOneChange keeps them for its commit.
    Status CommitWrite(store::RegistryStore::Transaction& transaction,
                       std::vector<store::ChangeRecord>& changes);
    void Announce(const std::vector<store::ChangeRecord>& changes);
    Hkey AddHandle(OpenedKey opened);
    // Starts the watcher thread if it is not running; false when no thread can be had.
    bool StartWatching();

    const std::string databasePath_;
    std::recursive_mutex mutex_;
    store::RegistryStore store_;
    Status openStatus_;
    std::unordered_map<Hkey, OpenedKey> handles_;
    std::unordered_map<Hkey, Cursors> cursors_;  // hives' too
    std::optional<OneChange> oneChange_;
    Hkey lastHandle_ = 0;
    store::Subscriptions subscriptions_;
    store::ChangeBell bell_;
    std::unique_ptr<store::ChangeWatcher> watcher_;  // started by the first subscription
};

}  // namespace registry
