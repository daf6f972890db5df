#include "packager/shared_progress_view.h"

#include <string>

namespace packager {

void SharedProgressView::SetStatus(std::string_view phase) {
    const std::string line = state_.StoreStatus(phase);
    display_.ShowStatusLine(line);
}

void SharedProgressView::SetProgress(std::uint32_t percent) {
    state_.StorePercent(percent);
    display_.InvalidateBar();
}

}  // namespace packager
