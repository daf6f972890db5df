// Key paths and names as the registry functions take them.
//
// A path is a run of key names separated by "\". Trailing separators are ignored
// ("Software\\" names Software); an empty level anywhere else - a leading "\" or "\\" inside
// the path - makes the path bad (ERROR_BAD_PATHNAME), as Windows treats a leading one. Only
// below HKEY_CLASSES_ROOT is one leading "\" tolerated, as Windows does. A NUL inside a name
// is refused (ERROR_INVALID_PARAMETER) rather than ending the name early, so that a name can
// never silently address a shorter one.
//
// Names are UTF-8. They compare as the Windows registry compares its UTF-16 names: each code
// unit upper-cased by Unicode's simple upper-case mapping of the BMP (so "Ü" and "ü" are one
// name, while "ß" and "SS" stay two), and sort by those upper-cased code units. Lengths are
// counted as Windows counts them, in UTF-16 code units. A byte that is not part of valid UTF-8
// stands for itself: it is one character, equal only to the same byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "importer/registry/registry_api.h"

namespace registry::store {

using registry::kMaxKeyDepth;
using registry::kMaxKeyNameLength;
using registry::kMaxValueNameLength;

// The key by which a name is found and ordered: the upper-cased name as UTF-16BE bytes, whose
// byte order is the order of the code units. Names that compare equal have equal keys.
std::string FoldName(std::string_view name);

// A name's length in characters, from its folded key.
inline std::size_t FoldedLength(std::string_view folded) {
    return folded.size() / 2;
}

// The folded key as the bytes the store keeps.
inline std::span<const std::uint8_t> FoldedBytes(std::string_view folded) {
    return {reinterpret_cast<const std::uint8_t*>(folded.data()), folded.size()};
}

// Splits subKey into its levels (none for "", or for "\" below HKEY_CLASSES_ROOT). Levels
// longer than kMaxKeyNameLength are left for the caller to judge: opening finds no such key,
// creating refuses it.
Status SplitKeyPath(std::string_view subKey, bool leadingSeparatorAllowed,
                    std::vector<std::string_view>& levels);

}  // namespace registry::store
