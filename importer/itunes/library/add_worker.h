// The library's background adds: one thread per library, taking adds in the order they were
// asked for; started with the first add and joined, after the queued adds are done, when the
// library goes away.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "importer/itunes/library/media_library.h"

namespace itunes::library {

class LibraryDatabase;
class TrackTagWriter;

// One add's progress, shared by the worker and whoever waits on it.
class AddJobState {
  public:
    bool Done() const { return done_.load(std::memory_order_acquire); }
    AddOutcome Wait();
    void Complete(AddOutcome outcome);
    // onDone runs once the add is complete: at once when it is, else on the worker right after
    // it completes. A later call replaces an onDone that has not run yet.
    void WhenDone(std::function<void()> onDone);

  private:
    std::atomic<bool> done_{false};
    std::mutex mutex_;
    std::condition_variable finished_;
    AddOutcome outcome_;
    std::function<void()> onDone_;
};

// Probes the file and, when it is usable media not yet in the library, inserts it.
AddOutcome AddMediaFile(LibraryDatabase& db, const std::string& path, std::int64_t playlistId);

class AddWorker {
  public:
    // Labels written before an add was asked for are carried into their files right after that
    // add, while the import looks for the new track and labels it.
    AddWorker(LibraryDatabase& db, TrackTagWriter& tags) : db_(db), tags_(tags) {}
    ~AddWorker() { Finish(); }
    AddWorker(const AddWorker&) = delete;
    AddWorker& operator=(const AddWorker&) = delete;

    // Null when the worker thread cannot be started.
    std::shared_ptr<AddJobState> Enqueue(std::string path, std::int64_t playlistId);
    // Finishes the adds (and label writes) already asked for and stops the thread.
    void Finish();

  private:
    struct Job {
        std::string path;
        std::int64_t playlistId = 0;
        std::shared_ptr<AddJobState> state;
        std::vector<std::int64_t> tagsDue;
    };
    void Run();

    LibraryDatabase& db_;
    TrackTagWriter& tags_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace itunes::library
