#include "importer/files/text.h"

namespace basFiles {

std::string AddTrailing(std::string_view text, std::string_view suffix) {
    std::string result(text);
    if (!text.ends_with(suffix)) {
        result += suffix;
    }
    return result;
}

std::string RemoveTrailing(std::string_view text, std::string_view suffix) {
    if (!suffix.empty() && text.ends_with(suffix)) {
        text.remove_suffix(suffix.size());
    }
    return std::string(text);
}

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string_view CutAtNull(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::string TrimAtNull(std::string_view text) {
    return std::string(TrimBlanks(CutAtNull(text)));
}

}  // namespace basFiles
