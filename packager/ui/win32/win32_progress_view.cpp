#include "packager/ui/win32/win32_progress_view.h"

#include "packager/ui/win32/message_box.h"

namespace packager::win32 {

void Win32ProgressView::SetStatus(std::string_view phase) {
    StatusLine line;
    state_.StoreStatus(phase, line);
    window_.ShowStatusLine(line.data());
}

void Win32ProgressView::SetProgress(std::uint32_t percent) {
    state_.StorePercent(percent);
    window_.InvalidateBar();
}

void Win32ProgressView::ShowMessage(const MessageBoxSpec& box) {
    ShowMessageBox(box.owner == MessageOwner::ProgressWindow ? window_.Main() : nullptr, box,
                   autoAnswer_);
}

}  // namespace packager::win32
