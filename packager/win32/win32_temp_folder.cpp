// The program's own path and the temporary folder.
#include <array>
#include <cstdint>

#include "common/win32/windows_api.h"
#include "packager/win32/private_folder_security.h"
#include "packager/win32/win32_platform.h"

// RtlGenRandom; it needs the types of <windows.h>.
#include <ntsecapi.h>

namespace packager::win32 {

namespace {

// A new name is tried while the previous one was taken; this many taken names in a row mean
// that something other than chance is at work.
constexpr int kNameAttempts = 100;
constexpr std::size_t kRandomCharacters = 6;
constexpr char kNameCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The characters only make a clash unlikely; the folder is safe because CreateDirectoryA never
// takes a name that exists.
bool RandomCharacters(std::array<char, kRandomCharacters>& characters) {
    std::array<std::uint8_t, kRandomCharacters> random{};
    if (!::RtlGenRandom(random.data(), static_cast<ULONG>(random.size()))) {
        return false;
    }
    for (std::size_t i = 0; i < random.size(); ++i) {
        characters[i] = kNameCharacters[random[i] % (sizeof kNameCharacters - 1)];
    }
    return true;
}

// Lets a system call write the path into the buffer's storage: the length it reports is kept
// only when the whole path fitted with its NUL.
bool TakeWrittenPath(PathBuffer& path, DWORD length) {
    if (length == 0 || length >= path.Storage().size()) {
        path.SetLength(0);
        return false;
    }
    path.SetLength(length);
    return true;
}

DWORD StorageSize(PathBuffer& path) {
    return static_cast<DWORD>(path.Storage().size());
}

}  // namespace

bool Win32Platform::OwnPath(PathBuffer& path) {
    // GetModuleFileNameA fills a buffer that is too short and says nothing more, so an answer
    // that fills this one is refused.
    return TakeWrittenPath(path,
                           ::GetModuleFileNameA(nullptr, path.Storage().data(), StorageSize(path)));
}

bool Win32Platform::TempFolder(PathBuffer& folder) {
    // Too small a buffer is answered with the length asked for, which counts the NUL.
    if (!TakeWrittenPath(folder, ::GetTempPathA(StorageSize(folder), folder.Storage().data()))) {
        return false;
    }
    folder.DropTrailing('\\');
    return true;
}

bool Win32Platform::CreateUniqueFolder(PathBuffer& path, std::string_view prefix) {
    PrivateFolderSecurity security;
    if (security.Attributes() == nullptr) {
        return false;
    }
    const std::size_t parent = path.Length();
    const bool separated = parent > 0 && path.View().back() == '\\';
    std::array<char, kRandomCharacters> characters{};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        if (!RandomCharacters(characters) || !(separated || path.Append("\\")) ||
            !path.Append(prefix) || !path.Append({characters.data(), characters.size()})) {
            path.Truncate(parent);
            return false;
        }
        if (::CreateDirectoryA(path.CStr(), security.Attributes())) {
            return true;
        }
        const DWORD error = ::GetLastError();
        path.Truncate(parent);
        if (error != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return false;
}

}  // namespace packager::win32
