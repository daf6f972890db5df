// What the Win32 tests of VEXOSetup share: paths joined the Windows way, whether a file exists,
// the current folder, a picture to draw into off screen, and whether windows can be created at
// all.
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

// A 32-bit picture of its own for drawing off screen, top row first; null when it cannot be had.
inline HBITMAP MakeOffScreenBitmap(HDC dc, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    return ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
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
