// A thread that is created before it may run, so that a failure to create it shows before
// anything else is built: its body starts only once it is resumed, and never if it is
// abandoned. The destructor abandons a thread that was not resumed and waits for its end.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace packager {

class SuspendedThread {
  public:
    SuspendedThread() = default;
    SuspendedThread(const SuspendedThread&) = delete;
    SuspendedThread& operator=(const SuspendedThread&) = delete;
    ~SuspendedThread();

    // False when the system could not create the thread.
    bool Create(std::function<void()> body);
    void Resume();
    void Abandon();
    // Waits until the thread has ended (at once when there is none).
    void Join();

  private:
    enum class Gate { Closed, Run, Abandoned };

    void Open(Gate gate);

    std::mutex mutex_;
    std::condition_variable opened_;
    Gate gate_ = Gate::Closed;
    std::thread thread_;
};

}  // namespace packager
