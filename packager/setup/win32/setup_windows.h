// <windows.h> for the setup program, whose install operations are named CopyFile and MoveFile
// as the platform's are: the A/W macros of those names would rename the operations wherever the
// header is seen, so they are dropped, and the W functions are called by their full names. The
// program's texts are UTF-8; these convert them at the system's boundary.
#pragma once

#include <string>
#include <string_view>

#include "common/win32/windows_api.h"

#undef CopyFile
#undef MoveFile

namespace setup::win32 {

inline std::wstring Wide(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    std::wstring wide(
        static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)),
        L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(),
                          static_cast<int>(wide.size()));
    return wide;
}

inline std::string Narrow(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    std::string narrow(static_cast<std::size_t>(::WideCharToMultiByte(
                           CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr)),
                       '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(),
                          static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow;
}

}  // namespace setup::win32
