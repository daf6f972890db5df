// Comparison of texts without regard to the case of ASCII letters, as Windows compares
// resource keys and locale names are compared; other bytes must match exactly.
#pragma once

#include <algorithm>
#include <string_view>

namespace common {

inline char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiUpper(x) == AsciiUpper(y);
           });
}

}  // namespace common
