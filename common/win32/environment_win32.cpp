// The process environment and its expansion by Windows itself.
#include <windows.h>
// <windows.h> names ExpandEnvironmentStringsA by a macro that would rename our own function.
#undef ExpandEnvironmentStrings

#include <string>
#include <vector>

#include "common/environment.h"

namespace common {

namespace {

// The text up to its first NUL, as a C string.
std::string CString(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

}  // namespace

EnvironmentLookup ProcessEnvironment() {
    return [](std::string_view name) -> std::optional<std::string> {
        // A name holding "=" or NUL names no variable; an empty value is still a value.
        if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != name.npos) {
            return std::nullopt;
        }
        const std::string cName(name);
        std::vector<char> value(256);
        for (;;) {
            SetLastError(ERROR_SUCCESS);
            const DWORD length = GetEnvironmentVariableA(cName.c_str(), value.data(),
                                                         static_cast<DWORD>(value.size()));
            if (length == 0) {
                if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                    return std::nullopt;
                }
                return std::string();
            }
            if (length < value.size()) {
                return std::string(value.data(), length);
            }
            value.resize(length);  // the size it needs, its NUL counted
        }
    };
}

std::string ExpandEnvironmentStrings(std::string_view text) {
    const std::string source = CString(text);
    std::vector<char> expanded(source.size() + 256);
    for (;;) {
        const DWORD needed = ::ExpandEnvironmentStringsA(source.c_str(), expanded.data(),
                                                         static_cast<DWORD>(expanded.size()));
        if (needed == 0) {
            return source;
        }
        if (needed <= expanded.size()) {
            return std::string(expanded.data());
        }
        expanded.resize(needed);
    }
}

std::uint32_t ExpandEnvironmentStringsA(std::string_view text, char* destination,
                                        std::uint32_t size) {
    const std::string source = CString(text);
    if (destination == nullptr || size == 0) {
        return ::ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
    }
    // Windows may leave part of the expansion in a buffer that is too small: a caller must
    // never take that as the whole text.
    const DWORD needed = ::ExpandEnvironmentStringsA(source.c_str(), destination, size);
    if (needed == 0 || needed > size) {
        destination[0] = '\0';
    }
    return needed;
}

}  // namespace common
