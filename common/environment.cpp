#include "common/environment.h"

namespace common {

// Each "%" opens a reference that the next "%" closes. A defined name is replaced by its value,
// which is copied as it is (a "%" inside it starts nothing). An undefined name - the empty name
// of "%%" included - is copied with both of its "%" signs, and the scan goes on after the
// closing one; so "%A%B%" with A undefined keeps "%A%" and then reads "B%" as plain text. A "%"
// that nothing closes is copied with the rest of the text.
std::string ExpandEnvironmentStrings(std::string_view text, const EnvironmentLookup& lookup) {
    std::string expanded;
    expanded.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t opening = text.find('%', position);
        if (opening == std::string_view::npos) {
            expanded.append(text.substr(position));
            break;
        }
        expanded.append(text.substr(position, opening - position));
        const std::size_t closing = text.find('%', opening + 1);
        if (closing == std::string_view::npos) {
            expanded.append(text.substr(opening));
            break;
        }
        const std::string_view name = text.substr(opening + 1, closing - opening - 1);
        const std::optional<std::string> value = name.empty() ? std::nullopt : lookup(name);
        if (value) {
            expanded.append(*value);
        } else {
            expanded.append(text.substr(opening, closing - opening + 1));
        }
        position = closing + 1;
    }
    return expanded;
}

}  // namespace common
