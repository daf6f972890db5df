// Expansion of environment references (%NAME%) by Windows' rules: names compare without
// regard to case, a reference to an undefined name stays as typed (both "%" signs with it),
// "%%" is not special, a "%" that nothing closes stays, and a value is not expanded again.
// Where the process does not define PROGRAMFILES, it names the machine prefix's
// "Program Files" folder.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace common {

// Looks a variable up by name (without regard to case on every platform).
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

// The process's environment, with the PROGRAMFILES default described above. Where names
// differ only in case (Path and PATH), the one written exactly as asked wins.
EnvironmentLookup ProcessEnvironment();

std::string ExpandEnvironmentStrings(std::string_view text, const EnvironmentLookup& lookup);
std::string ExpandEnvironmentStrings(std::string_view text);

// As ExpandEnvironmentStringsA: expands text - up to its first NUL, as the C string that the
// Windows function reads - into destination (size bytes) and returns the size the expansion
// needs, its terminating NUL counted. A null destination or a size of 0 only asks for that
// size; when it exceeds size, destination receives the empty text. 0 on failure.
std::uint32_t ExpandEnvironmentStringsA(std::string_view text, char* destination,
                                        std::uint32_t size);

}  // namespace common
