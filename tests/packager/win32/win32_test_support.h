// What the Win32 tests of VEXOSetup share: paths joined the Windows way, whether a file exists,
// the current folder, and whether windows can be created at all.
#pragma once

#include "common/win32/windows_api.h"

#include <string>

namespace packager::win32::testing_support {

inline std::string Join(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

inline bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string CurrentFolder() {
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

// False where the system has no display for windows (Wine without an X display).
inline bool CanCreateWindows() {
    const HWND window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                          nullptr, nullptr);
    if (window == nullptr) {
        return false;
    }
    ::DestroyWindow(window);
    return true;
}

}  // namespace packager::win32::testing_support
