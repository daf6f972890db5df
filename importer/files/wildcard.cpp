#include "importer/files/wildcard.h"

#include <algorithm>
#include <cstddef>

namespace basFiles {

namespace {

char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

WildcardPattern::WildcardPattern(std::string_view pattern) {
    elements_.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const bool atEnd = i + 1 == pattern.size();
        const char next = atEnd ? '\0' : pattern[i + 1];
        if (c == '?') {
            elements_.push_back({Kind::DosQm, '\0'});
        } else if (c == '*') {
            elements_.push_back({next == '.' ? Kind::DosStar : Kind::Star, '\0'});
        } else if (c == '.' && (atEnd || next == '?' || next == '*')) {
            elements_.push_back({Kind::DosDot, '\0'});
        } else {
            elements_.push_back({Kind::Literal, ToUpperAscii(c)});
        }
    }
}

// A breadth-first run of the pattern as an automaton: state p means "the first p elements have
// matched the name so far". Every element moves forward by at most one, so one pass over the
// states per name position settles the zero-width steps, and the cost stays at
// name length x pattern length however many stars the pattern holds.
bool WildcardPattern::Matches(std::string_view name) const {
    if (name.empty() || elements_.empty()) {
        return name.empty() && elements_.empty();
    }
    const std::size_t finalDot = name.rfind('.');
    const std::size_t stateCount = elements_.size() + 1;
    std::vector<char> current(stateCount, 0);
    std::vector<char> next(stateCount, 0);
    current[0] = 1;

    for (std::size_t position = 0;; ++position) {
        const bool nameEnded = position == name.size();
        const char c = nameEnded ? '\0' : name[position];

        // Steps that consume nothing; they only ever lead to a later state.
        for (std::size_t p = 0; p < elements_.size(); ++p) {
            if (current[p] == 0) {
                continue;
            }
            const Kind kind = elements_[p].kind;
            const bool skips = kind == Kind::Star || kind == Kind::DosStar ||
                               (kind == Kind::DosQm && (nameEnded || c == '.')) ||
                               (kind == Kind::DosDot && nameEnded);
            if (skips) {
                current[p + 1] = 1;
            }
        }
        if (nameEnded) {
            return current[elements_.size()] != 0;
        }

        // Steps that consume the character at position.
        std::fill(next.begin(), next.end(), 0);
        bool anyState = false;
        for (std::size_t p = 0; p < elements_.size(); ++p) {
            if (current[p] == 0) {
                continue;
            }
            const Element& element = elements_[p];
            switch (element.kind) {
                case Kind::Star:
                    next[p] = 1;
                    anyState = true;
                    break;
                case Kind::DosStar:
                    // It may pass a '.' only when another one follows later in the name.
                    if (c != '.' || position < finalDot) {
                        next[p] = 1;
                        anyState = true;
                    }
                    break;
                case Kind::DosQm:
                    if (c != '.') {
                        next[p + 1] = 1;
                        anyState = true;
                    }
                    break;
                case Kind::DosDot:
                    if (c == '.') {
                        next[p + 1] = 1;
                        anyState = true;
                    }
                    break;
                case Kind::Literal:
                    if (ToUpperAscii(c) == element.upper) {
                        next[p + 1] = 1;
                        anyState = true;
                    }
                    break;
            }
        }
        if (!anyState) {
            return false;
        }
        current.swap(next);
    }
}

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    return WildcardPattern(pattern).Matches(name);
}

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

}  // namespace basFiles
