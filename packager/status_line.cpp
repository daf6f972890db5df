#include "packager/status_line.h"

#include <algorithm>

#include "packager/path_buffer.h"

namespace packager {

std::string_view ComposeStatusLine(std::string_view phase, StatusLine& line) {
    PathBuffer text(line);
    // What does not fit is cut off.
    for (const std::string_view part : {phase, kPleaseWait}) {
        text.Append({part.data(), std::min(part.size(), text.Capacity() - text.Length())});
    }
    return text.View();
}

}  // namespace packager
