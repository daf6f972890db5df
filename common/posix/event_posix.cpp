// Events on POSIX systems: a process-wide table maps 32-bit handle values to event objects.
//
// Handle values are multiples of 4 as Windows hands them out, never 0, and are not given out
// again while still in use. A waiter holds its own reference to the event object, so closing the
// handle during a wait does not pull the object from under it: the wait goes on until the
// event is signalled through another handle or the timeout passes, as a Windows wait on a
// closed handle's object would.
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "common/event.h"

namespace common {

namespace {

struct Event {
    explicit Event(bool manual, bool initiallySignalled)
        : manualReset(manual), signalled(initiallySignalled) {}

    std::mutex mutex;
    std::condition_variable changed;
    const bool manualReset;
    bool signalled;
};

class EventTable {
  public:
    EventHandle Add(std::shared_ptr<Event> event) {
        std::lock_guard lock(mutex_);
        // The space of values is far larger than any number of live events, so the loop ends
        // at the first free value in practice.
        for (;;) {
            next_ += 4;
            if (next_ == 0) {
                next_ = 4;
            }
            if (events_.find(next_) == events_.end()) {
                events_.emplace(next_, std::move(event));
                return next_;
            }
        }
    }

    std::shared_ptr<Event> Find(EventHandle handle) {
        std::lock_guard lock(mutex_);
        const auto found = events_.find(handle);
        return found == events_.end() ? nullptr : found->second;
    }

    bool Remove(EventHandle handle) {
        std::lock_guard lock(mutex_);
        return events_.erase(handle) == 1;
    }

  private:
    std::mutex mutex_;
    std::unordered_map<EventHandle, std::shared_ptr<Event>> events_;
    EventHandle next_ = 0;
};

constexpr std::chrono::milliseconds kLongestTimeout = std::chrono::hours(24 * 365 * 100);

// Never destroyed: events may still be signalled by objects that are torn down at exit.
EventTable& Table() {
    static EventTable* const table = new EventTable;
    return *table;
}

}  // namespace

EventHandle CreateEventHandle(bool manualReset, bool initiallySignalled) {
    return Table().Add(std::make_shared<Event>(manualReset, initiallySignalled));
}

bool SetEventHandle(EventHandle event) {
    const std::shared_ptr<Event> target = Table().Find(event);
    if (target == nullptr) {
        return false;
    }
    {
        std::lock_guard lock(target->mutex);
        target->signalled = true;
    }
    // Every waiter re-checks the state, so waking all of them is correct for both kinds; an
    // auto-reset event is still taken by one waiter only.
    target->changed.notify_all();
    return true;
}

bool ResetEventHandle(EventHandle event) {
    const std::shared_ptr<Event> target = Table().Find(event);
    if (target == nullptr) {
        return false;
    }
    std::lock_guard lock(target->mutex);
    target->signalled = false;
    return true;
}

bool CloseEventHandle(EventHandle event) {
    return Table().Remove(event);
}

WaitResult WaitForEventHandle(EventHandle event, std::optional<std::chrono::milliseconds> timeout) {
    const std::shared_ptr<Event> target = Table().Find(event);
    if (target == nullptr) {
        return WaitResult::Failed;
    }
    std::unique_lock lock(target->mutex);
    const auto isSignalled = [&target] { return target->signalled; };
    if (!timeout.has_value()) {
        target->changed.wait(lock, isSignalled);
    } else {
        // Clamped so that the deadline (now + timeout) cannot overflow the clock's range.
        const auto wait = std::clamp(*timeout, std::chrono::milliseconds(0), kLongestTimeout);
        if (!target->changed.wait_for(lock, wait, isSignalled)) {
            return WaitResult::TimedOut;
        }
    }
    if (!target->manualReset) {
        target->signalled = false;
    }
    return WaitResult::Signalled;
}

}  // namespace common
