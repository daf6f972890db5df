#include "importer/itunes/library/add_worker.h"

#include <system_error>

#include "importer/itunes/library/library_database.h"
#include "importer/itunes/library/media_probe.h"
#include "importer/itunes/library/track_tags.h"

namespace itunes::library {

AddOutcome AddJobState::Wait() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return Done(); });
    return outcome_;
}

void AddJobState::Complete(AddOutcome outcome) {
    std::function<void()> onDone;
    {
        std::lock_guard lock(mutex_);
        outcome_ = std::move(outcome);
        done_.store(true, std::memory_order_release);
        onDone = std::move(onDone_);
    }
    finished_.notify_all();
    if (onDone) {
        onDone();
    }
}

void AddJobState::WhenDone(std::function<void()> onDone) {
    {
        std::lock_guard lock(mutex_);
        if (!Done()) {
            onDone_ = std::move(onDone);
            return;
        }
    }
    if (onDone) {
        onDone();
    }
}

AddOutcome AddMediaFile(LibraryDatabase& db, const std::string& path, std::int64_t playlistId) {
    // The file system would read such a path only up to the NUL, and so name another file
    // than the location stored.
    if (path.empty() || path.find('\0') != std::string::npos) {
        return {AddResult::kIgnored, "not a usable path"};
    }
    // A file already there is not probed again.
    if (db.HasLocation(path)) {
        return {AddResult::kIgnored, "already in the library"};
    }
    ProbeResult probe = ProbeMedia(path);
    if (!probe.media) {
        return {AddResult::kIgnored, probe.reason};
    }
    switch (db.InsertTrack(path, *probe.media, playlistId)) {
        case InsertResult::kInserted:
            return {AddResult::kAdded, {}};
        case InsertResult::kDuplicate:
            return {AddResult::kIgnored, "already in the library"};
        case InsertResult::kFailed:
            break;
    }
    return {AddResult::kFailed, "the library database could not be written"};
}

void AddWorker::Finish() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::shared_ptr<AddJobState> AddWorker::Enqueue(std::string path, std::int64_t playlistId) {
    auto state = std::make_shared<AddJobState>();
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { Run(); });
            } catch (const std::system_error&) {
                return nullptr;
            }
        }
        queue_.push_back(Job{std::move(path), playlistId, state, db_.TakeLabelled()});
    }
    wake_.notify_one();
    return state;
}

void AddWorker::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            // Adds already accepted are finished even when the library is closing.
            if (queue_.empty()) {
                return;
            }
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job.state->Complete(AddMediaFile(db_, job.path, job.playlistId));
        tags_.Write(job.tagsDue);
    }
}

}  // namespace itunes::library
