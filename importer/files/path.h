// The platform's folder separator and its rule for telling file names apart. The text helpers
// stay generic; callers join paths with AddTrailing(folder, kPathSeparator).
#pragma once

#include <string_view>

namespace basFiles {

#ifdef _WIN32
inline constexpr std::string_view kPathSeparator = "\\";
#else
inline constexpr std::string_view kPathSeparator = "/";
#endif

// How the program tells two file names, or two paths, apart.
enum class FileNameRule {
    // Windows: the file system ignores the case of letters and blanks at the end of a name, so
    // names are trimmed of blanks (and, where compared, upper-cased) before they are used.
    kTrimmedUpperCase,
    // Linux: a name is its bytes. Two names that differ only in case or in blanks name two
    // files, and a name ending in a blank is another folder than the one without it.
    kExact,
};

#ifdef _WIN32
inline constexpr FileNameRule kFileNameRule = FileNameRule::kTrimmedUpperCase;
#else
inline constexpr FileNameRule kFileNameRule = FileNameRule::kExact;
#endif

}  // namespace basFiles
