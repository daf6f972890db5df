#include "packager/suspended_thread.h"

#include <system_error>
#include <utility>

namespace packager {

SuspendedThread::~SuspendedThread() {
    Abandon();
    Join();
}

bool SuspendedThread::Create(std::function<void()> body) {
    try {
        thread_ = std::thread([this, work = std::move(body)] {
            std::unique_lock lock(mutex_);
            opened_.wait(lock, [this] { return gate_ != Gate::Closed; });
            const bool run = gate_ == Gate::Run;
            lock.unlock();
            if (run) {
                work();
            }
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void SuspendedThread::Resume() {
    Open(Gate::Run);
}

void SuspendedThread::Abandon() {
    Open(Gate::Abandoned);
}

void SuspendedThread::Open(Gate gate) {
    {
        const std::lock_guard lock(mutex_);
        if (gate_ != Gate::Closed) {
            return;
        }
        gate_ = gate;
    }
    opened_.notify_all();
}

void SuspendedThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace packager
