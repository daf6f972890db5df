// Path and text helpers of basFiles. Paths are joined only through AddTrailing, so a folder
// that already ends in the separator never gains a second one.
#pragma once

#include <string>
#include <string_view>

namespace basFiles {

// text followed by suffix, unless text already ends with exactly suffix (case-sensitive).
std::string AddTrailing(std::string_view text, std::string_view suffix);

// text without one trailing occurrence of suffix; unchanged when it does not end with it.
std::string RemoveTrailing(std::string_view text, std::string_view suffix);

// text cut before its first NUL, then stripped of leading and trailing blanks (code 32 only:
// tabs and other white space stay). Names from directory entries pass through it, and so does
// the folder picker's answer where names ignore end blanks (BrowseForFolder).
std::string TrimAtNull(std::string_view text);

// text cut before its first NUL, blanks and all kept: the folder picker's answer where a name
// is its bytes.
std::string_view CutAtNull(std::string_view text);

// text stripped of leading and trailing blanks (code 32 only).
std::string_view TrimBlanks(std::string_view text);

}  // namespace basFiles
