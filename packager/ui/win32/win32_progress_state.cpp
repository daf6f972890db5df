#include "packager/ui/win32/win32_progress_state.h"

#include <algorithm>

#include "packager/path_buffer.h"

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
    PathBuffer(statusText_).Assign(kInitialStatusLine);
    progressPercent_ = 0;
}

void Win32ProgressState::StoreStatus(std::string_view phase, StatusLine& line) {
    ComposeStatusLine(phase, line);
    const MutexLock lock(stateLock_.Get());
    statusText_ = line;
}

void Win32ProgressState::StorePercent(std::uint32_t percent) {
    const MutexLock lock(stateLock_.Get());
    progressPercent_ = percent;
}

void Win32ProgressState::CopyStatus(StatusLine& line) {
    const MutexLock lock(stateLock_.Get());
    line = statusText_;
}

std::uint32_t Win32ProgressState::PercentForPainting() {
    const MutexLock lock(stateLock_.Get());
    progressPercent_ = std::min<std::uint32_t>(progressPercent_, 100);
    return progressPercent_;
}

}  // namespace packager::win32
