#include "packager/progress_state.h"

#include <algorithm>

namespace packager {

std::string ProgressState::StoreStatus(std::string_view phase) {
    StatusLine buffer;
    std::string line(ComposeStatusLine(phase, buffer));
    const std::lock_guard lock(stateLock);
    statusText = line;
    return line;
}

void ProgressState::StorePercent(std::uint32_t percent) {
    const std::lock_guard lock(stateLock);
    progressPercent = percent;
}

std::string ProgressState::CopyStatus() {
    const std::lock_guard lock(stateLock);
    return statusText;
}

std::uint32_t ProgressState::PercentForPainting() {
    const std::lock_guard lock(stateLock);
    progressPercent = std::min<std::uint32_t>(progressPercent, 100);
    return progressPercent;
}

}  // namespace packager
