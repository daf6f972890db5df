// Key paths and names as the registry functions take them.
//
// A path is a run of key names separated by "\". Trailing separators are ignored
// ("Software\\" names Software); an empty level anywhere else - a leading "\" or "\\" inside
// the path - makes the path bad (ERROR_BAD_PATHNAME), as Windows treats a leading one. Only
// below HKEY_CLASSES_ROOT is one leading "\" tolerated, as Windows does. A NUL inside a name
// is refused (ERROR_INVALID_PARAMETER) rather than ending the name early, so that a name can
// never silently address a shorter one.
//
// Names compare without regard to the case of ASCII letters; other bytes compare exactly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "importer/registry/registry_api.h"

namespace registry::store {

inline constexpr std::size_t kMaxKeyNameLength = 255;  // one level of a path
inline constexpr std::size_t kMaxValueNameLength = 16383;

// The key for finding a name: ASCII letters upper-cased.
std::string FoldName(std::string_view name);

// Splits subKey into its levels (none for "", or for "\" below HKEY_CLASSES_ROOT). Levels
// longer than kMaxKeyNameLength are left for the caller to judge: opening finds no such key,
// creating refuses it.
Status SplitKeyPath(std::string_view subKey, bool leadingSeparatorAllowed,
                    std::vector<std::string_view>& levels);

}  // namespace registry::store
