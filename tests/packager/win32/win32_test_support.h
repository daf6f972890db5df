// What the Win32 tests of VEXOSetup share: paths joined the Windows way, whole files read and
// written, environment variables set for one test, and whether windows can be created at all.
#pragma once

#include "common/win32/windows_api.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace packager::win32::testing_support {

inline std::string Join(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

inline void WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
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

// Sets an environment variable of this process for one test and puts the old value back.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        char old[32768];
        const DWORD length = ::GetEnvironmentVariableA(name, old, sizeof old);
        if (length > 0 && length < sizeof old) {
            old_ = std::string(old, length);
        }
        ::SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableA(name_, old_ ? old_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace packager::win32::testing_support
