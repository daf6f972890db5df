// Change notification for the registry store.
//
// Every write records what it changed in the store's change log, in the same transaction
// (RegistryStore::AppendChange). A subscription remembers the last sequence number it had
// seen when it began and fires on the first later change in its scope:
// - changes made through the same StoreRegistryApi are handed over at once by the writer, after
//   its commit (Dispatch with complete = false);
// - changes made by other processes, or other store objects of this process, are found by the
//   ChangeWatcher thread: every writer rings the store's bell file ("<store>-changed") after
//   each commit, and the watcher sleeps on inotify for that file; on a wake-up it reads the log
//   rows after the oldest subscription's mark (Dispatch with complete = true). The bell rather
//   than the -wal file itself, because the -wal file is written before its commit becomes
//   visible (the wal-index is updated through shared memory, which raises no event): a watcher
//   woken by it would read too early. A slow poll stands in when inotify cannot be had, and
//   catches writers that do not ring the bell.
// A subscription is one-shot, as a registry notification is: it fires once and is gone.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/event.h"
#include "common/posix/unique_fd.h"
#include "importer/registry/registry_api.h"
#include "importer/registry/store/registry_store.h"

namespace registry::store {

struct Subscription {
    Hkey handle = 0;  // the open key it belongs to: closing that ends it
    KeyId key = 0;
    std::string path;  // KeyPathText of the key
    bool watchSubtree = false;
    std::uint32_t filter = 0;
    std::int64_t seen = 0;  // changes with a higher sequence number are news to it
    common::EventHandle event = 0;
    // Set for a synchronous wait: how the wait ended, written before the event is signalled.
    std::shared_ptr<Status> outcome;
};

// Whether a logged change is one the subscription watches for: a change of the watched key
// (one of the change's levels), or with watchSubtree of a key below it. The deletion of the
// watched key itself always counts, whatever the filter: the subscription could never fire
// again.
bool InScope(const Subscription& subscription, const ChangeRecord& change);

// The live subscriptions of one StoreRegistryApi. Thread-safe.
class Subscriptions {
  public:
    void Add(Subscription subscription);

    // Fires the subscriptions that the changes concern. complete says that changes holds every
    // change after OldestSeen() that the log still has; then gaps in the sequence (the log was
    // trimmed) fire the subscriptions that may have missed something, and the others move
    // their mark past the changes looked at.
    void Dispatch(const std::vector<ChangeRecord>& changes, bool complete);

    // Sets back every mark beyond sequence to it: the changes after it that a subscription was
    // registered behind were rolled back, and the numbers will be given to others.
    void LowerMarks(std::int64_t sequence);

    // Ends the subscriptions of a handle being closed. Their events are signalled, as
    // Windows signals a notification's event when its key handle is closed; a synchronous
    // wait ends with ERROR_NOTIFY_CLEANUP.
    void EndForHandle(Hkey handle);
    void EndAll();

    std::optional<std::int64_t> OldestSeen() const;

  private:
    static void Fire(Subscription& subscription, Status outcome);

    mutable std::mutex mutex_;
    std::vector<Subscription> subscriptions_;  // in order of registration
};

// The store's bell file: rung (one byte written) after each commit that changed something, so
// that watchers in other processes wake when the change can be read.
class ChangeBell {
  public:
    explicit ChangeBell(const std::string& databasePath);
    ChangeBell(const ChangeBell&) = delete;
    ChangeBell& operator=(const ChangeBell&) = delete;

    void Ring();

    static std::string PathFor(const std::string& databasePath) {
        return databasePath + "-changed";
    }

  private:
    const std::string path_;
    common::posix::UniqueFd file_;  // opened at the first ring
};

// The thread that notices changes written by others to the store at databasePath.
class ChangeWatcher {
  public:
    ChangeWatcher(std::string databasePath, Subscriptions& subscriptions);
    ~ChangeWatcher();
    ChangeWatcher(const ChangeWatcher&) = delete;
    ChangeWatcher& operator=(const ChangeWatcher&) = delete;

    bool Running() const { return thread_.joinable(); }

    // Makes the thread look at the log now (a subscription was added).
    void Nudge();

  private:
    void Run();
    bool WaitForActivity(bool anySubscription);
    void CheckLog();

    const std::string databasePath_;
    std::string bellFileName_;  // matched against inotify events
    Subscriptions& subscriptions_;
    RegistryStore store_;  // the thread's own connection
    common::posix::UniqueFd inotify_;
    common::posix::UniqueFd wake_;  // eventfd: Nudge and stop
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace registry::store
