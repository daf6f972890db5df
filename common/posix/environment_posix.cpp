// The process environment as Windows presents it: names without regard to case.
#include <unistd.h>

#include <cstring>
#include <limits>

#include "common/ascii_case.h"
#include "common/environment.h"
#include "common/machine_prefix.h"

namespace common {
namespace {

constexpr std::string_view kProgramFiles = "PROGRAMFILES";

// A POSIX environment may hold names that differ only in case (Path and PATH); the one
// written exactly as asked wins, else the first that matches without regard to case. Entries
// are split at their first "=", so a name that itself holds "=" finds nothing.
std::optional<std::string> FindVariable(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> caseless;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view entryName = text.substr(0, equals);
        if (entryName == name) {
            return std::string(text.substr(equals + 1));
        }
        if (!caseless && common::EqualsIgnoringAsciiCase(entryName, name)) {
            caseless = std::string(text.substr(equals + 1));
        }
    }
    return caseless;
}

}  // namespace

EnvironmentLookup ProcessEnvironment() {
    return [](std::string_view name) -> std::optional<std::string> {
        if (std::optional<std::string> value = FindVariable(name)) {
            return value;
        }
        if (common::EqualsIgnoringAsciiCase(name, kProgramFiles)) {
            std::string folder = ProgramFilesFolder();
            if (!folder.empty()) {
                return folder;
            }
        }
        return std::nullopt;
    };
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

}  // namespace common
