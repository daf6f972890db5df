#include "importer/machine/environment.h"

#include <cstring>
#include <limits>

namespace machine {

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

std::string ExpandEnvironmentStrings(std::string_view text) {
    return ExpandEnvironmentStrings(text, ProcessEnvironment());
}

std::uint32_t ExpandEnvironmentStringsA(std::string_view text, char* destination,
                                        std::uint32_t size) {
    // The Windows function reads a C string: the text ends at its first NUL.
    const std::size_t end = text.find('\0');
    if (end != std::string_view::npos) {
        text = text.substr(0, end);
    }
    const std::string expanded = ExpandEnvironmentStrings(text);
    if (expanded.size() >= std::numeric_limits<std::uint32_t>::max()) {
        return 0;
    }
    const auto needed = static_cast<std::uint32_t>(expanded.size() + 1);
    if (destination != nullptr && size > 0) {
        if (needed <= size) {
            std::memcpy(destination, expanded.c_str(), needed);
        } else {
            destination[0] = '\0';  // never half a text that a caller might take as whole
        }
    }
    return needed;
}

}  // namespace machine
