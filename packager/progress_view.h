// What the worker needs of the progress window. The worker runs on a thread of its own: status
// and progress may be shown later, but hiding has happened when the call returns, and a message
// box returns once it was dismissed.
#pragma once

#include <cstdint>
#include <string_view>

#include "packager/message_boxes.h"

namespace packager {

class ProgressView {
  public:
    virtual ~ProgressView() = default;

    // Shows the phase text followed by " ... Please Wait" as the status line.
    virtual void SetStatus(std::string_view phase) = 0;
    // The share of the current entry already written, 0 to 100; 0 is an empty bar.
    virtual void SetProgress(std::uint32_t percent) = 0;
    // True once the user has pressed Cancel; never waits.
    virtual bool IsCancelled() = 0;
    // Hides the progress window for good: from here on the user cannot cancel.
    virtual void HideWindow() = 0;
    virtual void HideCancelButton() = 0;
    // Shows an OK box and returns once it was dismissed.
    virtual void ShowMessage(const MessageBoxSpec& box) = 0;
};

// What the window thread does for the worker once the shared state holds the new values.
class ProgressDisplay {
  public:
    virtual ~ProgressDisplay() = default;

    virtual void ShowStatusLine(std::string_view line) = 0;
    virtual void InvalidateBar() = 0;
    virtual void HideWindow() = 0;
    virtual void HideCancelButton() = 0;
    virtual void ShowMessage(const MessageBoxSpec& box) = 0;
};

}  // namespace packager
