// The directory search on Windows: FindFirstFileA / FindNextFileA / FindClose, the search
// handle itself serving as the listing handle.
#include <windows.h>

#include <cstring>
#include <string>

#include "common/win32/handle_value.h"
#include "common/win32/scoped_win.h"
#include "importer/files/directory_search.h"

namespace basFiles::platform {

namespace {

HANDLE SearchHandle(ListingHandle handle) {
    return common::win32::HandleFromValue<HANDLE>(static_cast<std::uint32_t>(handle));
}

void TakeEntry(const WIN32_FIND_DATAA& found, DirectoryEntry& entry) {
    entry.name.assign(found.cFileName, strnlen(found.cFileName, sizeof found.cFileName));
    entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Error boxes of the system ("There is no disk in the drive") are off while a path is probed,
// on this thread only, and as they were afterwards.
class QuietErrors {
  public:
    QuietErrors() {
        restore_ = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_) != 0;
    }
    ~QuietErrors() {
        if (restore_) {
            SetThreadErrorMode(old_, nullptr);
        }
    }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

  private:
    DWORD old_ = 0;
    bool restore_ = false;
};

}  // namespace

ListingHandle OpenDirectorySearch(std::string_view pattern, DirectoryEntry& first) {
    // The A function reads a C string: a NUL inside would search for a shorter pattern.
    if (pattern.find('\0') != std::string_view::npos) {
        return 0;
    }
    const QuietErrors quiet;
    WIN32_FIND_DATAA found{};
    common::win32::FindHandle search(FindFirstFileA(std::string(pattern).c_str(), &found));
    if (!search) {
        return 0;
    }
    const auto handle = static_cast<ListingHandle>(common::win32::HandleValue(search.Get()));
    if (handle == 0 || handle == -1) {
        return 0;  // no such value is a handle to a caller
    }
    TakeEntry(found, first);
    // From here on the caller's, until CloseDirectorySearch.
    search.Release();
    return handle;
}

bool NextDirectoryEntry(ListingHandle handle, DirectoryEntry& entry) {
    if (handle == 0) {
        return false;
    }
    WIN32_FIND_DATAA found{};
    if (!FindNextFileA(SearchHandle(handle), &found)) {
        return false;
    }
    TakeEntry(found, entry);
    return true;
}

void CloseDirectorySearch(ListingHandle handle) {
    if (handle != 0) {
        common::win32::FindHandle(SearchHandle(handle)).Close();
    }
}

bool CanOpenForReading(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) {
        return false;
    }
    const QuietErrors quiet;
    SetLastError(ERROR_SUCCESS);
    // Shared with every other opener: only a file that others hold locked against readers
    // refuses us. A folder cannot be opened this way at all.
    const common::win32::UniqueHandle file(
        CreateFileA(std::string(path).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file.Valid();
}

}  // namespace basFiles::platform
