// The program's own path and the temporary folder.
#include <array>
#include <cstdint>

#include "common/own_program.h"
#include "common/win32/windows_api.h"
#include "packager/win32/private_folder_security.h"
#include "packager/win32/win32_platform.h"

// RtlGenRandom; it needs the types of <windows.h>.
#include <ntsecapi.h>

namespace packager::win32 {

namespace {

// Longer than any path the system hands out (32,767 characters and the NUL).
constexpr DWORD kLongestPath = 32768;

// A new name is tried while the previous one was taken; this many taken names in a row mean
// that something other than chance is at work.
constexpr int kNameAttempts = 100;
constexpr std::size_t kRandomCharacters = 6;
constexpr char kNameCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The characters only make a clash unlikely; the folder is safe because CreateDirectoryA never
// takes a name that exists.
std::optional<std::string> RandomCharacters() {
    std::array<std::uint8_t, kRandomCharacters> random{};
    if (!::RtlGenRandom(random.data(), static_cast<ULONG>(random.size()))) {
        return std::nullopt;
    }
    std::string characters;
    for (const std::uint8_t value : random) {
        characters.push_back(kNameCharacters[value % (sizeof kNameCharacters - 1)]);
    }
    return characters;
}

}  // namespace

std::optional<std::string> Win32Platform::OwnPath() {
    return common::OwnProgramPath();
}

std::optional<std::string> Win32Platform::TempFolder() {
    std::string folder(MAX_PATH + 1, '\0');
    DWORD length = ::GetTempPathA(static_cast<DWORD>(folder.size()), folder.data());
    if (length >= folder.size() && length <= kLongestPath) {
        // Too small: the length asked for includes the NUL.
        folder.resize(length);
        length = ::GetTempPathA(static_cast<DWORD>(folder.size()), folder.data());
    }
    if (length == 0 || length >= folder.size()) {
        return std::nullopt;
    }
    folder.resize(length);
    if (folder.size() > 1 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

std::optional<std::string> Win32Platform::CreateUniqueFolder(const std::string& parent,
                                                             std::string_view prefix) {
    PrivateFolderSecurity security;
    if (security.Attributes() == nullptr) {
        return std::nullopt;
    }
    std::string base = parent;
    if (base.empty() || base.back() != '\\') {
        base.push_back('\\');
    }
    base.append(prefix);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::optional<std::string> characters = RandomCharacters();
        if (!characters) {
            return std::nullopt;
        }
        std::string path = base + *characters;
        if (::CreateDirectoryA(path.c_str(), security.Attributes())) {
            // Moved out: once the folder exists, no allocation may fail before its path is back.
            return path;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace packager::win32
