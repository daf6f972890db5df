#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "common/win32/scoped_win.h"
#include "tools/vexo/atomic_output.h"

namespace vexo::cli {
namespace {

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    const std::filesystem::path folder = path.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// The system's text for GetLastError ("There is not enough space on the disk"), without the
// line break and full stop it ends with.
std::string LastWin32ErrorText() {
    const DWORD code = GetLastError();
    common::win32::LocalMemory<char*> text;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(text.Receive()), 0, nullptr);
    std::string result;
    if (length != 0 && text) {
        result.assign(text.Get(), length);
    }
    while (!result.empty() &&
           (result.back() == '\r' || result.back() == '\n' || result.back() == '.')) {
        result.pop_back();
    }
    if (result.empty()) {
        result = "error " + std::to_string(code);
    }
    return result;
}

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// A name no other writer is likely to pick at the same moment: the process, the time and a
// counter; CREATE_NEW catches the rare clash, and the caller tries the next name.
std::string TemporaryName(unsigned attempt) {
    char name[64];
    std::snprintf(name, sizeof name, ".vexo-package-%lx-%llx-%x", GetCurrentProcessId(),
                  static_cast<unsigned long long>(GetTickCount64()), attempt);
    return name;
}

}  // namespace

bool AtomicOutput::Open() {
    constexpr unsigned kAttempts = 100;
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string candidate = (FolderOf(path_) / TemporaryName(attempt)).string();
        const HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<std::intptr_t>(file);
            temporary_ = candidate;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS || attempt + 1 == kAttempts) {
            const std::string reason = LastWin32ErrorText();
            return Fail("cannot create a temporary file in " + FolderOf(path_).string() + ": " +
                        reason);
        }
    }
    return false;
}

bool AtomicOutput::Write(std::span<const std::uint8_t> bytes) {
    if (handle_ == kNoHandle) {
        return false;
    }
    while (!bytes.empty()) {
        if (InterruptGuard::TakeInterrupt()) {
            return Fail("interrupted");
        }
        // WriteFile takes a DWORD; larger spans go in pieces.
        constexpr std::size_t kMostAtOnce = 1u << 30;
        const DWORD wanted = static_cast<DWORD>(std::min(bytes.size(), kMostAtOnce));
        DWORD written = 0;
        if (!WriteFile(AsHandle(handle_), bytes.data(), wanted, &written, nullptr) ||
            written == 0) {
            return Fail("cannot write " + temporary_ + ": " + LastWin32ErrorText());
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

bool AtomicOutput::Commit(std::filesystem::perms) {
    if (handle_ == kNoHandle) {
        return false;
    }
    // A Windows file has no permission bits: a package is a program by its ".exe" name.
    if (!FlushFileBuffers(AsHandle(handle_))) {
        return Fail("cannot flush " + temporary_ + " to the disk: " + LastWin32ErrorText());
    }
    if (!common::win32::UniqueHandle(AsHandle(std::exchange(handle_, kNoHandle))).Close()) {
        return Fail("cannot write " + temporary_ + ": " + LastWin32ErrorText());
    }
    if (!MoveFileExA(temporary_.c_str(), path_.string().c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Fail("cannot replace " + path_.string() + ": " + LastWin32ErrorText());
    }
    temporary_.clear();
    return true;
}

void AtomicOutput::Discard() {
    common::win32::UniqueHandle(AsHandle(std::exchange(handle_, kNoHandle))).Close();
    if (!temporary_.empty()) {
        DeleteFileA(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace vexo::cli
