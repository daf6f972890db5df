// Listing and removing the temporary folder, never through a link.
#include "common/win32/scoped_win.h"
#include "packager/win32/win32_platform.h"

namespace packager::win32 {

namespace {

bool IsDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
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

FolderItem Win32Platform::FirstItem(PathBuffer& path) {
    const DWORD attributes = ::GetFileAttributesA(path.CStr());
    if (attributes == INVALID_FILE_ATTRIBUTES || !IsRealFolder(attributes)) {
        return FolderItem::Nothing;
    }
    const std::size_t folder = path.Length();
    if (!path.Append("\\*")) {
        return FolderItem::Failed;
    }
    WIN32_FIND_DATAA found{};
    common::win32::FindHandle search(::FindFirstFileA(path.CStr(), &found));
    path.Truncate(folder);
    if (!search.Valid()) {
        return FolderItem::Nothing;
    }
    FolderItem item = FolderItem::Nothing;
    do {
        if (!IsDot(found.cFileName)) {
            item = IsRealFolder(found.dwFileAttributes) ? FolderItem::Folder : FolderItem::File;
            break;
        }
    } while (::FindNextFileA(search.Get(), &found));
    // A listing that broke off early is as bad as one that could not be closed: the folder
    // could not be emptied.
    const bool complete = item != FolderItem::Nothing || ::GetLastError() == ERROR_NO_MORE_FILES;
    if (!search.Close() || !complete) {
        return FolderItem::Failed;
    }
    if (item != FolderItem::Nothing && !(path.Append("\\") && path.Append(found.cFileName))) {
        path.Truncate(folder);
        return FolderItem::Failed;
    }
    return item;
}

bool Win32Platform::DeleteFile(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    // RemoveDirectoryA removes a link to a folder itself; DeleteFileA would refuse it.
    if (attributes != INVALID_FILE_ATTRIBUTES && IsFolderLink(attributes)) {
        return ::RemoveDirectoryA(path) != FALSE;
    }
    return ::DeleteFileA(path) != FALSE;
}

bool Win32Platform::RemoveFolder(const char* folder) {
    return ::RemoveDirectoryA(folder) != FALSE;
}

}  // namespace packager::win32
