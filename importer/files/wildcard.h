// Matching one directory entry's name against the last component of a search pattern, the way
// the Windows directory search does it.
//
// The Win32 layer first rewrites the pattern into the file system's DOS wildcards: every '?'
// becomes DOS_QM, a '*' followed by '.' becomes DOS_STAR, and a '.' followed by '?' or '*' or
// ending the pattern becomes DOS_DOT. The file system then matches:
//   *         any sequence of characters, the empty one included
//   DOS_STAR  any sequence that does not pass the name's final '.'
//   DOS_QM    one character; at a '.' or at the end of the name, nothing
//   DOS_DOT   a '.'; at the end of the name, nothing
// and every other character itself, without regard to ASCII case. So "*" and "*.*" match every
// name (those without a dot too), "*." matches the names without an extension, "a?c" matches
// "abc" but not "ac", and "ep??.mp4" matches "ep1.mp4" as well as "ep12.mp4".
//
// On Windows '<', '>' and '"' in a pattern would also act as the DOS wildcards; they cannot
// occur in a Windows file name, but they can in a Linux one, so here they match themselves.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace basFiles {

// A pattern's last component, rewritten once and then matched against many names. Matching
// takes time proportional to name length times pattern length, whatever the pattern.
class WildcardPattern {
  public:
    explicit WildcardPattern(std::string_view pattern);

    // An empty name matches only the empty pattern; "*" does not match it either.
    bool Matches(std::string_view name) const;

  private:
    enum class Kind : std::uint8_t { Literal, Star, DosStar, DosQm, DosDot };
    struct Element {
        Kind kind;
        char upper;  // the upper-cased character of a Literal
    };
    std::vector<Element> elements_;
};

bool MatchesWildcard(std::string_view name, std::string_view pattern);

// The text holds '*' or '?', so that a search for it lists a folder rather than naming one
// entry.
bool HasWildcards(std::string_view text);

}  // namespace basFiles
