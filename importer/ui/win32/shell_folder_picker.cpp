#include "importer/ui/win32/shell_folder_picker.h"

#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <string>

#include "common/win32/handle_value.h"
#include "common/win32/scoped_win.h"

namespace plumex::win32 {

std::optional<std::string> ShellFolderPicker::PickFolder(basFiles::WindowHandle owner,
                                                         std::string_view title) {
    // The picker's tree is built from shell objects, which need COM on the calling thread. A
    // thread whose COM is already set up keeps it as it is.
    const common::win32::ComApartment com;
    const std::string instruction(title.substr(0, title.find('\0')));
    char displayName[MAX_PATH] = {};

    BROWSEINFOA browse{};
    browse.hwndOwner = common::win32::HandleFromValue<HWND>(owner);
    browse.pidlRoot = nullptr;  // the desktop
    browse.pszDisplayName = displayName;
    browse.lpszTitle = instruction.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;

    // The item list the picker hands back belongs to the caller.
    const common::win32::TaskMemory<PIDLIST_ABSOLUTE> chosen(SHBrowseForFolderA(&browse));
    if (!chosen) {
        return std::nullopt;
    }
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen.Get(), path)) {
        return std::nullopt;  // not a file-system folder after all
    }
    return std::string(path, strnlen(path, sizeof path));
}

}  // namespace plumex::win32
