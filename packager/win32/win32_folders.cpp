// Listing and removing the temporary folder, never through a link.
#include <cstring>

#include "common/win32/scoped_win.h"
#include "packager/win32/win32_platform.h"

namespace packager::win32 {

namespace {

bool IsDot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// A folder that is not a reparse point (a symbolic link or a junction to somewhere else).
bool IsRealFolder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool IsFolderLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

FolderListing Win32Platform::ListFolder(const std::string& folder) {
    FolderListing listing;
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !IsRealFolder(attributes)) {
        return listing;
    }
    WIN32_FIND_DATAA found{};
    common::win32::FindHandle search(::FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search.Valid()) {
        return listing;
    }
    listing.opened = true;
    do {
        if (!IsDot(found.cFileName)) {
            listing.items.push_back({found.cFileName, IsRealFolder(found.dwFileAttributes)});
        }
    } while (::FindNextFileA(search.Get(), &found));
    // A listing that broke off early is as bad as one that could not be closed: the folder
    // could not be emptied.
    const bool complete = ::GetLastError() == ERROR_NO_MORE_FILES;
    listing.closedCleanly = search.Close() && complete;
    return listing;
}

bool Win32Platform::DeleteFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    // RemoveDirectoryA removes a link to a folder itself; DeleteFileA would refuse it.
    if (attributes != INVALID_FILE_ATTRIBUTES && IsFolderLink(attributes)) {
        return ::RemoveDirectoryA(path.c_str()) != FALSE;
    }
    return ::DeleteFileA(path.c_str()) != FALSE;
}

bool Win32Platform::RemoveFolder(const std::string& folder) {
    return ::RemoveDirectoryA(folder.c_str()) != FALSE;
}

}  // namespace packager::win32
