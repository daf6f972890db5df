// The platform's folder separator. The text helpers stay generic; callers join paths with
// AddTrailing(folder, kPathSeparator).
#pragma once

#include <string_view>

namespace basFiles {

#ifdef _WIN32
inline constexpr std::string_view kPathSeparator = "\\";
#else
inline constexpr std::string_view kPathSeparator = "/";
#endif

}  // namespace basFiles
