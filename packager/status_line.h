// The progress window's status line: the phase of the work followed by " ... Please Wait", in
// the 1024-byte buffer the window's status control is given.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace packager {

inline constexpr std::size_t kStatusTextBytes = 1024;  // with the terminating NUL
inline constexpr std::string_view kPleaseWait = " ... Please Wait";
inline constexpr std::string_view kInitialStatusLine = "Initializing ... Please Wait";
inline constexpr std::string_view kCancellingPhase = "Cancelling";

using StatusLine = std::array<char, kStatusTextBytes>;

// Writes the phase's line, cut to fit the buffer with its NUL, into line; the line's text.
std::string_view ComposeStatusLine(std::string_view phase, StatusLine& line);

}  // namespace packager
