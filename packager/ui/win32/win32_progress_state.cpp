#include "packager/ui/win32/win32_progress_state.h"

#include <algorithm>

namespace packager::win32 {

using common::win32::MutexLock;

bool Win32ProgressState::CreateLock() {
    stateLock_.Reset(::CreateMutexA(nullptr, FALSE, nullptr));
    return stateLock_.Valid();
}

bool Win32ProgressState::CreateCancelEvent() {
    cancelEvent_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    return cancelEvent_.Valid();
}

void Win32ProgressState::Reset() {
    const MutexLock lock(stateLock_.Get());
    statusText_.reset();
    progressPercent_ = 0;
}

std::string Win32ProgressState::StoreStatus(std::string_view phase) {
    std::string line = ComposeStatusLine(phase);
    const MutexLock lock(stateLock_.Get());
    statusText_ = line;
    return line;
}

void Win32ProgressState::StorePercent(std::uint32_t percent) {
    const MutexLock lock(stateLock_.Get());
    progressPercent_ = percent;
}

std::string Win32ProgressState::CopyStatus() {
    const MutexLock lock(stateLock_.Get());
    return statusText_ ? *statusText_ : std::string(kInitialStatusLine);
}

std::uint32_t Win32ProgressState::PercentForPainting() {
    const MutexLock lock(stateLock_.Get());
    progressPercent_ = std::min<std::uint32_t>(progressPercent_, 100);
    return progressPercent_;
}

}  // namespace packager::win32
