#include "importer/registry/store/key_names.h"

#include "common/ascii_case.h"
#include "importer/registry/store/store_status.h"

namespace registry::store {

std::string FoldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        c = common::AsciiUpper(c);
    }
    return folded;
}

Status SplitKeyPath(std::string_view subKey, bool leadingSeparatorAllowed,
                    std::vector<std::string_view>& levels) {
    levels.clear();
    if (subKey.find('\0') != std::string_view::npos) {
        return kErrorInvalidParameter;
    }
    if (leadingSeparatorAllowed && !subKey.empty() && subKey.front() == '\\') {
        subKey.remove_prefix(1);
    }
    if (!subKey.empty() && subKey.front() == '\\') {
        return kErrorBadPathname;
    }
    while (!subKey.empty() && subKey.back() == '\\') {
        subKey.remove_suffix(1);
    }
    while (!subKey.empty()) {
        const std::size_t separator = subKey.find('\\');
        const std::string_view level = subKey.substr(0, separator);
        if (level.empty()) {
            levels.clear();
            return kErrorBadPathname;
        }
        levels.push_back(level);
        subKey =
            separator == std::string_view::npos ? std::string_view() : subKey.substr(separator + 1);
    }
    return kErrorSuccess;
}

}  // namespace registry::store
