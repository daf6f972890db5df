#include "tools/regfile/reg_limits.h"

#include <string_view>

namespace regfile {
namespace {

std::size_t Characters(std::string_view name, NarrowText narrow) {
    return NarrowToUtf16(name, narrow).size();
}

std::optional<std::string> KeyProblem(std::string_view subKey, NarrowText narrow) {
    if (subKey.find('\0') != std::string_view::npos) {
        return "the key name holds a NUL";
    }
    std::size_t depth = 0;
    while (!subKey.empty()) {
        const std::size_t separator = subKey.find('\\');
        if (Characters(subKey.substr(0, separator), narrow) > kMaxKeyNameLength) {
            return "a level of the key name is longer than " + std::to_string(kMaxKeyNameLength) +
                   " characters";
        }
        ++depth;
        subKey =
            separator == std::string_view::npos ? std::string_view() : subKey.substr(separator + 1);
    }
    if (depth > kMaxKeyDepth) {
        return "the key is more than " + std::to_string(kMaxKeyDepth) + " levels deep";
    }
    return std::nullopt;
}

std::optional<std::string> ValueProblem(const ValueEntry& value, NarrowText narrow) {
    if (value.name.find('\0') != std::string::npos) {
        return "the value name holds a NUL";
    }
    if (Characters(value.name, narrow) > kMaxValueNameLength) {
        return "the value name is longer than " + std::to_string(kMaxValueNameLength) +
               " characters";
    }
    return std::nullopt;
}

}  // namespace

std::optional<RefusedName> FindRefusedName(const RegDocument& document, NarrowText narrow) {
    for (const KeySection& section : document.sections) {
        if (std::optional<std::string> problem = KeyProblem(section.subKey, narrow)) {
            return RefusedName{section.line, std::move(*problem)};
        }
        for (const ValueEntry& value : section.values) {
            if (std::optional<std::string> problem = ValueProblem(value, narrow)) {
                return RefusedName{value.line, std::move(*problem)};
            }
        }
    }
    return std::nullopt;
}

}  // namespace regfile
