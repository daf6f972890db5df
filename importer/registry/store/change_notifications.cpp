#include "importer/registry/store/change_notifications.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <system_error>

#include "importer/registry/store/store_status.h"

namespace registry::store {

namespace {

std::size_t Depth(const std::string& path) {
    return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/')) - 1;
}

}  // namespace

bool InScope(const Subscription& subscription, const ChangeRecord& change) {
    if (change.kind == kChangeKeyDeleted) {
        return change.key == subscription.key;
    }
    if ((change.kind & subscription.filter) == 0) {
        return false;
    }
    // Every key the change concerns is the changed key or one of its ancestors, and a key's
    // path text starts with the path texts of all its ancestors: so only a key on the changed
    // key's path can be concerned, itself or through its subtree.
    if (change.path.compare(0, subscription.path.size(), subscription.path) != 0) {
        return false;
    }
    const std::size_t changedDepth = Depth(change.path);
    const std::size_t watchedDepth = Depth(subscription.path);
    return subscription.watchSubtree || watchedDepth + change.levels > changedDepth;
}

void Subscriptions::Add(Subscription subscription) {
    std::lock_guard lock(mutex_);
    subscriptions_.push_back(std::move(subscription));
}

void Subscriptions::Fire(Subscription& subscription, Status outcome) {
    if (subscription.outcome != nullptr) {
        *subscription.outcome = outcome;
    }
    common::SetEventHandle(subscription.event);
}

void Subscriptions::Dispatch(const std::vector<ChangeRecord>& changes, bool complete) {
    if (changes.empty()) {
        return;
    }
    std::lock_guard lock(mutex_);
    std::vector<bool> fired(subscriptions_.size(), false);
    for (std::size_t i = 0; i < subscriptions_.size(); ++i) {
        Subscription& subscription = subscriptions_[i];
        std::optional<Status> outcome;
        bool first = true;
        for (const ChangeRecord& change : changes) {
            if (change.sequence <= subscription.seen) {
                continue;
            }
            if (complete && first && change.sequence != subscription.seen + 1) {
                outcome = kErrorSuccess;  // trimmed from the log before we read it: assume a change
                break;
            }
            first = false;
            if (InScope(subscription, change)) {
                outcome = change.kind == kChangeKeyDeleted ? kErrorKeyDeleted : kErrorSuccess;
                break;
            }
        }
        if (outcome.has_value()) {
            // Fired in order of registration, so that of two subscriptions concerned by the
            // same change, the earlier one is signalled first.
            Fire(subscription, *outcome);
            fired[i] = true;
        } else if (complete) {
            subscription.seen = std::max(subscription.seen, changes.back().sequence);
        }
    }
    std::vector<Subscription> remaining;
    for (std::size_t i = 0; i < subscriptions_.size(); ++i) {
        if (!fired[i]) {
            remaining.push_back(std::move(subscriptions_[i]));
        }
    }
    subscriptions_ = std::move(remaining);
}

void Subscriptions::EndForHandle(Hkey handle) {
    std::lock_guard lock(mutex_);
    std::erase_if(subscriptions_, [handle](Subscription& subscription) {
        if (subscription.handle != handle) {
            return false;
        }
        Fire(subscription, kErrorNotifyCleanup);
        return true;
    });
}

void Subscriptions::LowerMarks(std::int64_t sequence) {
    std::lock_guard lock(mutex_);
    for (Subscription& subscription : subscriptions_) {
        subscription.seen = std::min(subscription.seen, sequence);
    }
}

void Subscriptions::EndAll() {
    std::lock_guard lock(mutex_);
    for (Subscription& subscription : subscriptions_) {
        Fire(subscription, kErrorNotifyCleanup);
    }
    subscriptions_.clear();
}

std::optional<std::int64_t> Subscriptions::OldestSeen() const {
    std::lock_guard lock(mutex_);
    std::optional<std::int64_t> oldest;
    for (const Subscription& subscription : subscriptions_) {
        if (!oldest.has_value() || subscription.seen < *oldest) {
            oldest = subscription.seen;
        }
    }
    return oldest;
}

namespace {

// How long the watcher trusts inotify alone before looking at the log anyway, and how often it
// looks without inotify.
constexpr int kBackupPollMs = 1000;
constexpr int kPollWithoutInotifyMs = 100;

}  // namespace

ChangeBell::ChangeBell(const std::string& databasePath) : path_(PathFor(databasePath)) {}

// The bell is opened once and rung by rewriting its one byte, which is all a watcher needs to
// see (a modification). It is made private, and a link put in its place is not followed: the
// ring must not write into some other file.
void ChangeBell::Ring() {
    if (!file_.Valid()) {
        file_ = common::posix::UniqueFd(
            open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    }
    if (file_.Valid()) {
        const char ring = 0;
        [[maybe_unused]] const ssize_t written = pwrite(file_.Get(), &ring, 1, 0);
    }
}

ChangeWatcher::ChangeWatcher(std::string databasePath, Subscriptions& subscriptions)
    : databasePath_(std::move(databasePath)), subscriptions_(subscriptions) {
    const std::size_t slash = databasePath_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : databasePath_.substr(0, slash);
    const std::string bell = ChangeBell::PathFor(databasePath_);
    bellFileName_ = slash == std::string::npos ? bell : bell.substr(slash + 1);

    wake_ = common::posix::UniqueFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    inotify_ = common::posix::UniqueFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    // The folder rather than the bell, which may not exist yet.
    if (inotify_.Valid() && inotify_add_watch(inotify_.Get(), folder.c_str(),
                                              IN_MODIFY | IN_CREATE | IN_MOVED_TO) < 0) {
        inotify_.Close();
    }
    store_.Open(databasePath_);  // tried again by the thread when it fails now
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to be had: Running() tells the caller, who reports a failure.
    }
}

ChangeWatcher::~ChangeWatcher() {
    stopping_ = true;
    Nudge();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ChangeWatcher::Nudge() {
    if (wake_.Valid()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wake_.Get(), &one, sizeof one);
    }
}

void ChangeWatcher::Run() {
    while (!stopping_) {
        if (WaitForActivity(subscriptions_.OldestSeen().has_value()) && !stopping_) {
            CheckLog();
        }
    }
}

// Waits for a nudge, for the bell, or for the poll interval while there are subscriptions;
// false when only unrelated files changed.
bool ChangeWatcher::WaitForActivity(bool anySubscription) {
    std::array<pollfd, 2> fds{};
    nfds_t count = 0;
    if (wake_.Valid()) {
        fds[count++] = pollfd{wake_.Get(), POLLIN, 0};
    }
    if (inotify_.Valid()) {
        fds[count++] = pollfd{inotify_.Get(), POLLIN, 0};
    }
    const int timeout = !anySubscription && wake_.Valid() ? -1
                        : inotify_.Valid()                ? kBackupPollMs
                                                          : kPollWithoutInotifyMs;
    const int ready = poll(fds.data(), count, timeout);
    if (ready <= 0) {
        return ready == 0;  // the interval passed; an interrupted poll just goes round again
    }
    bool relevant = false;
    if (wake_.Valid()) {
        std::uint64_t counter = 0;
        relevant =
            read(wake_.Get(), &counter, sizeof counter) == static_cast<ssize_t>(sizeof counter);
    }
    if (inotify_.Valid()) {
        alignas(inotify_event) std::array<char, 4096> buffer{};
        for (;;) {
            const ssize_t size = read(inotify_.Get(), buffer.data(), buffer.size());
            if (size <= 0) {
                break;
            }
            for (ssize_t offset = 0; offset < size;) {
                inotify_event event{};
                std::memcpy(&event, buffer.data() + offset, sizeof event);
                const char* name = buffer.data() + offset + sizeof event;
                if (event.len > 0 && bellFileName_ == name) {
                    relevant = true;
                }
                offset += static_cast<ssize_t>(sizeof event + event.len);
            }
        }
    }
    return relevant;
}

void ChangeWatcher::CheckLog() {
    if (!store_.IsOpen() && store_.Open(databasePath_) != kErrorSuccess) {
        return;
    }
    const std::optional<std::int64_t> oldest = subscriptions_.OldestSeen();
    if (!oldest.has_value()) {
        return;
    }
    std::vector<ChangeRecord> changes;
    if (store_.ChangesAfter(*oldest, changes) == kErrorSuccess) {
        subscriptions_.Dispatch(changes, true);
    }
}

}  // namespace registry::store
