// Brings the library's commits to the disk from a thread of its own: a while after a commit,
// the write-ahead log is synced, so that a busy import does not wait for the disk, and commits
// that nothing follows still reach it within the interval a crash of the machine may cost.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace itunes::library {

using SyncClock = std::chrono::steady_clock;

class LogSyncer {
  public:
    explicit LogSyncer(std::string databasePath) : databasePath_(std::move(databasePath)) {}
    ~LogSyncer() { Stop(); }
    LogSyncer(const LogSyncer&) = delete;
    LogSyncer& operator=(const LogSyncer&) = delete;

    // A commit of the library has been made and waits for its sync; the thread starts with the
    // first. Cheap: the committing connection calls it with every commit.
    void Committed();

    // Every commit made before this moment is on the disk; the epoch until a sync has shown so.
    SyncClock::time_point SyncedUpTo() const {
        return SyncClock::time_point(SyncClock::duration(syncedUpTo_.load()));
    }

    // Syncs what is still waiting, then ends the thread; nothing is synced afterwards.
    void Stop();

  private:
    void Run();

    const std::string databasePath_;
    std::atomic<SyncClock::rep> syncedUpTo_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<SyncClock::time_point> waitingSince_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace itunes::library
