#include "importer/registry/store/store_registry_api.h"

#include <cstring>
#include <optional>
#include <span>

#include "common/event.h"
#include "importer/registry/store/key_names.h"
#include "importer/registry/store/store_status.h"

namespace registry {

namespace {

constexpr Hkey kFirstHandle = 0x100;
constexpr Hkey kLastHandle = 0x7FFFFFFC;

constexpr Access kGenericRead = 0x80000000;
constexpr Access kGenericWrite = 0x40000000;
constexpr Access kGenericExecute = 0x20000000;
constexpr Access kGenericAll = 0x10000000;
constexpr Access kMaximumAllowed = 0x02000000;
constexpr Access kEveryRight = 0xFFFFFFFF;

constexpr std::uint32_t kRegNotifyThreadAgnostic = 0x10000000;
constexpr std::uint32_t kLegalFilter = kRegNotifyChangeName | kRegNotifyChangeAttributes |
                                       kRegNotifyChangeLastSet | kRegNotifyChangeSecurity |
                                       kRegNotifyThreadAgnostic;

bool IsHive(Hkey key) {
    return key >= kHkeyClassesRoot && key <= kHkeyDynData;
}

Access GrantedAccess(Access requested) {
    Access granted = requested;
    if ((requested & (kGenericRead | kGenericExecute)) != 0) {
        granted |= kKeyRead;
    }
    if ((requested & kGenericWrite) != 0) {
        granted |= kKeyWrite;
    }
    if ((requested & (kGenericAll | kMaximumAllowed)) != 0) {
        granted |= kKeyAllAccess;
    }
    return granted;
}

bool HasNul(std::string_view name) {
    return name.find('\0') != std::string_view::npos;
}

// The folded names of the levels; false when one is longer than a key name can be.
bool FoldLevels(const std::vector<std::string_view>& levels, std::vector<std::string>& folded) {
    folded.clear();
    folded.reserve(levels.size());
    for (const std::string_view level : levels) {
        // A name of more bytes than this cannot be short enough, however it decodes.
        if (level.size() > store::kMaxKeyNameLength * 4) {
            return false;
        }
        folded.push_back(store::FoldName(level));
        if (store::FoldedLength(folded.back()) > store::kMaxKeyNameLength) {
            return false;
        }
    }
    return true;
}

// The folded value name, or none when it is longer than a value name can be.
std::optional<std::string> FoldValueName(std::string_view name) {
    if (name.size() > store::kMaxValueNameLength * 4) {
        return std::nullopt;
    }
    std::string folded = store::FoldName(name);
    if (store::FoldedLength(folded) > store::kMaxValueNameLength) {
        return std::nullopt;
    }
    return folded;
}

// Type, data and size as RegQueryValueEx hands them out.
Status DeliverData(const store::ValueRecord& value, std::uint32_t* type, std::uint8_t* data,
                   std::uint32_t* dataSize) {
    if (type != nullptr) {
        *type = value.type;
    }
    const auto size = static_cast<std::uint32_t>(value.data.size());
    if (data != nullptr) {
        if (*dataSize < size) {
            *dataSize = size;
            return kErrorMoreData;
        }
        if (size > 0) {
            std::memcpy(data, value.data.data(), size);
        }
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return kErrorSuccess;
}

}  // namespace

StoreRegistryApi::StoreRegistryApi(std::string databasePath)
    : databasePath_(std::move(databasePath)), bell_(databasePath_) {
    openStatus_ = store_.Open(databasePath_);
}

StoreRegistryApi::~StoreRegistryApi() {
    watcher_.reset();
    subscriptions_.EndAll();
}

Status StoreRegistryApi::Find(Hkey key, Access needed, OpenedKey& opened) const {
    if (IsHive(key)) {
        opened =
            OpenedKey{key, kEveryRight, std::make_shared<const std::vector<store::KeyId>>(1, key)};
    } else {
        const auto found = handles_.find(key);
        if (found == handles_.end()) {
            return kErrorInvalidHandle;
        }
        opened = found->second;
    }
    if ((opened.access & needed) != needed) {
        return kErrorAccessDenied;
    }
    return store_.IsOpen() ? kErrorSuccess : openStatus_;
}

Status StoreRegistryApi::FindPath(Hkey key, std::string_view subKey, OpenedKey& opened,
                                  std::vector<std::string_view>& levels) const {
    const Status status = Find(key, 0, opened);
    return status != kErrorSuccess ? status
                                   : store::SplitKeyPath(subKey, key == kHkeyClassesRoot, levels);
}

Status StoreRegistryApi::CheckAlive(const OpenedKey& opened) {
    bool exists = false;
    const Status status = store_.KeyExists(opened.id, exists);
    return status != kErrorSuccess ? status : exists ? kErrorSuccess : kErrorKeyDeleted;
}

Status StoreRegistryApi::Walk(OpenedKey& key, const std::vector<std::string_view>& levels,
                              const std::vector<std::string>& folded, bool create,
                              std::vector<store::ChangeRecord>& changes) {
    if (levels.empty()) {
        return kErrorSuccess;
    }
    auto chain = std::make_shared<std::vector<store::KeyId>>(*key.chain);
    chain->reserve(chain->size() + levels.size());
    std::uint32_t created = 0;
    for (std::size_t level = 0; level < levels.size(); ++level) {
        std::optional<store::KeyId> child;
        // Below a key made just now there is nothing to find.
        Status status =
            created > 0 ? kErrorSuccess : store_.FindSubkey(key.id, folded[level], child);
        if (status != kErrorSuccess) {
            return status;
        }
        if (!child.has_value()) {
            if (!create) {
                return kErrorFileNotFound;
            }
            store::KeyId made = 0;
            status = store_.CreateSubkey(key.id, levels[level], folded[level], made);
            if (status != kErrorSuccess) {
                return status;
            }
            child = made;
            ++created;
        }
        key.id = *child;
        chain->push_back(*child);
    }
    key.chain = chain;
    // The subkeys of each key from the last that existed to the parent of the new key changed.
    return created == 0
               ? kErrorSuccess
               : LogChange(*chain, chain->size() - 2, store::kChangeSubkeys, created, changes);
}

Status StoreRegistryApi::LogChange(const std::vector<store::KeyId>& chain, std::size_t end,
                                   std::uint32_t kind, std::uint32_t levels,
                                   std::vector<store::ChangeRecord>& changes) {
    store::ChangeRecord change{0, chain[end], kind,
                               store::KeyPathText(std::span(chain).first(end + 1)), levels};
    const Status status = store_.AppendChange(change);
    if (status == kErrorSuccess) {
        changes.push_back(std::move(change));
    }
    return status;
}

Status StoreRegistryApi::CommitWrite(store::RegistryStore::Transaction& transaction,
                                     std::vector<store::ChangeRecord>& changes) {
    const Status status = transaction.Commit();
    if (status != kErrorSuccess || changes.empty()) {
        return status;
    }
    if (oneChange_.has_value()) {
        oneChange_->changes.insert(oneChange_->changes.end(),
                                   std::make_move_iterator(changes.begin()),
                                   std::make_move_iterator(changes.end()));
    } else {
        Announce(changes);
    }
    return status;
}

void StoreRegistryApi::Announce(const std::vector<store::ChangeRecord>& changes) {
    if (!changes.empty()) {
        subscriptions_.Dispatch(changes, false);
        bell_.Ring();
    }
}

Hkey StoreRegistryApi::AddHandle(OpenedKey opened) {
    for (;;) {
        lastHandle_ = lastHandle_ < kFirstHandle || lastHandle_ >= kLastHandle ? kFirstHandle
                                                                               : lastHandle_ + 4;
        if (handles_.find(lastHandle_) == handles_.end()) {
            handles_.emplace(lastHandle_, std::move(opened));
            return lastHandle_;
        }
    }
}

bool StoreRegistryApi::StartWatching() {
    if (watcher_ == nullptr) {
        watcher_ = std::make_unique<store::ChangeWatcher>(databasePath_, subscriptions_);
        if (!watcher_->Running()) {
            watcher_.reset();
            return false;
        }
    }
    return true;
}

template <typename Work>
Status StoreRegistryApi::Read(const OpenedKey& key, Work&& work) {
    store::RegistryStore::Transaction transaction(store_, false);
    Status status = transaction.Began();
    if (status == kErrorSuccess) {
        status = CheckAlive(key);
    }
    if (status == kErrorSuccess) {
        status = work();
    }
    return status == kErrorSuccess ? transaction.Commit() : status;
}

template <typename Work>
Status StoreRegistryApi::Write(const OpenedKey& key, Work&& work) {
    std::vector<store::ChangeRecord> changes;
    store::RegistryStore::Transaction transaction(store_, true);
    Status status = transaction.Began();
    if (status == kErrorSuccess) {
        status = CheckAlive(key);
    }
    if (status == kErrorSuccess) {
        status = work(changes);
    }
    return status == kErrorSuccess ? CommitWrite(transaction, changes) : status;
}

Status StoreRegistryApi::OpenOrCreate(Hkey key, std::string_view subKey, Access access, bool create,
                                      Hkey& result) {
    result = 0;
    std::lock_guard lock(mutex_);
    OpenedKey opened;
    std::vector<std::string_view> levels;
    Status status = FindPath(key, subKey, opened, levels);
    if (status != kErrorSuccess) {
        return status;
    }
    if (!create && subKey.empty() && IsHive(key)) {
        result = key;
        return kErrorSuccess;
    }
    // Judged before anything is read or made: no key can lie that deep or have such a name.
    if (opened.Depth() + levels.size() > store::kMaxKeyDepth) {
        return create ? kErrorNoSystemResources : kErrorFileNotFound;
    }
    std::vector<std::string> folded;
    if (!FoldLevels(levels, folded)) {
        return create ? kErrorInvalidParameter : kErrorFileNotFound;
    }
    if (create) {
        status = Write(opened, [&](std::vector<store::ChangeRecord>& changes) {
            return Walk(opened, levels, folded, true, changes);
        });
    } else {
        status = Read(opened, [&] {
            std::vector<store::ChangeRecord> none;
            return Walk(opened, levels, folded, false, none);
        });
    }
    if (status != kErrorSuccess) {
        return status;
    }
    opened.access = GrantedAccess(access);
    result = AddHandle(std::move(opened));
    return kErrorSuccess;
}

Status StoreRegistryApi::RegOpenKeyEx(Hkey key, std::string_view subKey, Access access,
                                      Hkey& result) {
    return OpenOrCreate(key, subKey, access, false, result);
}

Status StoreRegistryApi::RegCreateKeyEx(Hkey key, std::string_view subKey, Access access,
                                        Hkey& result) {
    return OpenOrCreate(key, subKey, access, true, result);
}

Status StoreRegistryApi::RegQueryValueEx(Hkey key, std::string_view valueName, std::uint32_t* type,
                                         std::uint8_t* data, std::uint32_t* dataSize) {
    std::lock_guard lock(mutex_);
    OpenedKey opened;
    Status status = Find(key, kKeyQueryValue, opened);
    if (status != kErrorSuccess) {
        return status;
    }
    if ((data != nullptr && dataSize == nullptr) || HasNul(valueName)) {
        return kErrorInvalidParameter;
    }
    std::optional<store::ValueRecord> value;
    const std::optional<std::string> folded = FoldValueName(valueName);
    status = Read(opened, [&] {
        return folded.has_value() ? store_.FindValue(opened.id, *folded, value)
                                  : kErrorSuccess;  // no value can have such a name
    });
    if (status != kErrorSuccess) {
        return status;
    }
    if (!value.has_value()) {
        // A size-only query learns that there is nothing; a buffer's size is left alone.
        if (data == nullptr && dataSize != nullptr) {
            *dataSize = 0;
        }
        return kErrorFileNotFound;
    }
    return DeliverData(*value, type, data, dataSize);
}

Status StoreRegistryApi::RegSetValueEx(Hkey key, std::string_view valueName, std::uint32_t type,
                                       const std::uint8_t* data, std::uint32_t dataSize) {
    std::lock_guard lock(mutex_);
    OpenedKey opened;
    const Status status = Find(key, kKeySetValue, opened);
    if (status != kErrorSuccess) {
        return status;
    }
    const std::optional<std::string> folded =
        HasNul(valueName) ? std::nullopt : FoldValueName(valueName);
    if (!folded.has_value()) {
        return kErrorInvalidParameter;
    }
    if (data == nullptr && dataSize > 0) {
        return store::kErrorNoAccess;
    }
    // The data are stored exactly as given. (advapi32's ANSI function also counts a string's
    // terminating NUL that the caller left out of the size, by reading past the buffer; that
    // is not imitated.)
    return Write(opened, [&](std::vector<store::ChangeRecord>& changes) {
        const Status set = store_.SetValue(opened.id, valueName, *folded, type, data, dataSize);
        return set != kErrorSuccess
                   ? set
                   : LogChange(*opened.chain, opened.Depth(), store::kChangeValues, 1, changes);
    });
}

Status StoreRegistryApi::RegEnumKeyEx(Hkey key, std::uint32_t index, char* name,
                                      std::uint32_t& nameLength) {
    std::lock_guard lock(mutex_);
    OpenedKey opened;
    Status status = Find(key, kKeyEnumerateSubKeys, opened);
    if (status != kErrorSuccess) {
        return status;
    }
    if (name == nullptr) {
        return kErrorInvalidParameter;
    }
    std::optional<std::string> subkey;
    status = Read(opened,
                  [&] { return store_.SubkeyAt(opened.id, index, cursors_[key].subkeys, subkey); });
    if (status != kErrorSuccess) {
        return status;
    }
    if (!subkey.has_value()) {
        return kErrorNoMoreItems;
    }
    if (subkey->size() >= nameLength) {
        return kErrorMoreData;  // the name and its NUL do not fit; nothing is changed
    }
    std::memcpy(name, subkey->c_str(), subkey->size() + 1);
    nameLength = static_cast<std::uint32_t>(subkey->size());
    return kErrorSuccess;
}

Status StoreRegistryApi::RegEnumValue(Hkey key, std::uint32_t index, char* name,
                                      std::uint32_t& nameLength, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* dataSize) {
    std::lock_guard lock(mutex_);
    OpenedKey opened;
    Status status = Find(key, kKeyQueryValue, opened);
    if (status != kErrorSuccess) {
        return status;
    }
    if (name == nullptr || (data != nullptr && dataSize == nullptr)) {
        return kErrorInvalidParameter;
    }
    std::optional<store::ValueRecord> value;
    status =
        Read(opened, [&] { return store_.ValueAt(opened.id, index, cursors_[key].values, value); });
    if (status != kErrorSuccess) {
        return status;
    }
    if (!value.has_value()) {
        return kErrorNoMoreItems;
    }
    const bool nameFits = value->name.size() < nameLength;
    const bool dataFits = data == nullptr || value->data.size() <= *dataSize;
    if (!nameFits || !dataFits) {
        // Neither name nor data are written then; the type and the data's size are reported.
        if (type != nullptr) {
            *type = value->type;
        }
        if (dataSize != nullptr) {
            *dataSize = static_cast<std::uint32_t>(value->data.size());
        }
        return kErrorMoreData;
    }
    std::memcpy(name, value->name.c_str(), value->name.size() + 1);
    nameLength = static_cast<std::uint32_t>(value->name.size());
    return DeliverData(*value, type, data, dataSize);
}

Status StoreRegistryApi::RegDeleteKey(Hkey key, std::string_view subKey) {
    std::lock_guard lock(mutex_);
    OpenedKey target;
    std::vector<std::string_view> levels;
    Status status = FindPath(key, subKey, target, levels);
    if (status != kErrorSuccess) {
        return status;
    }
    std::vector<std::string> folded;
    if (target.Depth() + levels.size() > store::kMaxKeyDepth || !FoldLevels(levels, folded)) {
        return kErrorFileNotFound;
    }
    return Write(target, [&](std::vector<store::ChangeRecord>& changes) {
        Status step = Walk(target, levels, folded, false, changes);
        if (step == kErrorSuccess && target.Depth() == 0) {
            step = kErrorAccessDenied;  // a hive, reached by its value or by a handle to it
        }
        bool hasSubkeys = false;
        if (step == kErrorSuccess) {
            step = store_.HasSubkeys(target.id, hasSubkeys);
        }
        if (step == kErrorSuccess && hasSubkeys) {
            step = kErrorAccessDenied;
        }
        if (step == kErrorSuccess) {
            step = store_.DeleteKey(target.id);
        }
        const std::vector<store::KeyId>& chain = *target.chain;
        if (step == kErrorSuccess) {
            step = LogChange(chain, chain.size() - 1, store::kChangeKeyDeleted, 1, changes);
        }
        if (step == kErrorSuccess) {
            step = LogChange(chain, chain.size() - 2, store::kChangeSubkeys, 1, changes);
        }
        return step;
    });
}

Status StoreRegistryApi::RegDeleteValue(Hkey key, std::string_view valueName) {
    std::lock_guard lock(mutex_);
    OpenedKey opened;
    const Status status = Find(key, kKeySetValue, opened);
    if (status != kErrorSuccess) {
        return status;
    }
    if (HasNul(valueName)) {
        return kErrorInvalidParameter;
    }
    const std::optional<std::string> folded = FoldValueName(valueName);
    return Write(opened, [&](std::vector<store::ChangeRecord>& changes) {
        bool deleted = false;
        const Status step = folded.has_value() ? store_.DeleteValue(opened.id, *folded, deleted)
                                               : kErrorSuccess;  // no value can have such a name
        if (step != kErrorSuccess || !deleted) {
            return step != kErrorSuccess ? step : kErrorFileNotFound;
        }
        return LogChange(*opened.chain, opened.Depth(), store::kChangeValues, 1, changes);
    });
}

Status StoreRegistryApi::RegNotifyChangeKeyValue(Hkey key, bool watchSubtree, std::uint32_t filter,
                                                 EventHandle event, bool asynchronous) {
    std::unique_lock lock(mutex_);
    OpenedKey opened;
    Status status = Find(key, kKeyNotify, opened);
    if (status != kErrorSuccess) {
        return status;
    }
    if ((filter & ~kLegalFilter) != 0 || (asynchronous && event == 0)) {
        return kErrorInvalidParameter;
    }
    if (!asynchronous && oneChange_.has_value()) {
        // It would wait for a change that its own transaction keeps everyone from making.
        return store::kErrorPossibleDeadlock;
    }
    store::Subscription subscription;
    subscription.handle = key;
    subscription.key = opened.id;
    subscription.path = store::KeyPathText(*opened.chain);
    subscription.watchSubtree = watchSubtree;
    subscription.filter = filter;
    // In one snapshot with the check that the key lives, so that its deletion cannot slip in
    // between unseen.
    status = Read(opened, [&] { return store_.LastChange(subscription.seen); });
    if (status != kErrorSuccess) {
        return status;
    }
    if (!StartWatching()) {
        return store::kErrorNotEnoughMemory;
    }
    if (asynchronous) {
        // As on Windows, registering resets the event; an unknown event is refused.
        if (!common::ResetEventHandle(event)) {
            return kErrorInvalidHandle;
        }
        subscription.event = event;
        subscriptions_.Add(std::move(subscription));
        watcher_->Nudge();  // to read the log from the subscription's mark on
        return kErrorSuccess;
    }
    const common::ScopedEvent done(false, false);
    if (done.get() == 0) {
        return store::kErrorNotEnoughMemory;
    }
    auto outcome = std::make_shared<Status>(kErrorSuccess);
    subscription.event = done.get();
    subscription.outcome = outcome;
    subscriptions_.Add(std::move(subscription));
    watcher_->Nudge();
    lock.unlock();
    common::WaitForEventHandle(done.get());
    return *outcome;
}

Status StoreRegistryApi::RegCloseKey(Hkey key) {
    std::lock_guard lock(mutex_);
    if (IsHive(key)) {
        // A hive stays open, but what was begun on its handle ends, as with any other handle:
        // the notifications registered on it are signalled and gone.
        subscriptions_.EndForHandle(key);
        cursors_.erase(key);
        return kErrorSuccess;
    }
    if (handles_.erase(key) == 0) {
        return kErrorInvalidHandle;
    }
    cursors_.erase(key);
    subscriptions_.EndForHandle(key);
    return kErrorSuccess;
}

Status StoreRegistryApi::RunAsOneChange(const std::function<Status()>& changes) {
    std::lock_guard lock(mutex_);
    if (!store_.IsOpen()) {
        return openStatus_;
    }
    // Inside another one, a savepoint of it: undone alone when it fails.
    store::RegistryStore::Transaction transaction(store_, true);
    std::int64_t lastBefore = 0;
    Status status = transaction.Began();
    if (status == kErrorSuccess) {
        status = store_.LastChange(lastBefore);
    }
    if (status != kErrorSuccess) {
        return status;
    }
    // However the function ends, the operations after the outermost one are on their own again.
    struct Scope {
        std::optional<OneChange>& oneChange;
        const bool outermost = !oneChange.has_value();
        ~Scope() {
            if (outermost) {
                oneChange.reset();
            }
        }
    } scope{oneChange_};
    if (scope.outermost) {
        oneChange_.emplace();
    }
    const std::size_t earlier = oneChange_->changes.size();
    status = changes();
    if (status == kErrorSuccess) {
        status = transaction.Commit();
    }
    if (status != kErrorSuccess) {
        // Rolled back: what was read inside may no longer hold, and the change numbers used
        // inside will be given again.
        oneChange_->changes.resize(earlier);
        cursors_.clear();
        subscriptions_.LowerMarks(lastBefore);
    } else if (scope.outermost) {
        Announce(oneChange_->changes);
    }
    return status;
}

}  // namespace registry
