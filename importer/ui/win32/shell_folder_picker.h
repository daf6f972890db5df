// The shell's folder picker (SHBrowseForFolder) as the Windows build's FolderPicker.
#pragma once

#include "importer/files/browse.h"

namespace plumex::win32 {

class ShellFolderPicker final : public basFiles::FolderPicker {
  public:
    // Modal over owner, rooted at the desktop, confirming only file-system folders; the
    // chosen folder's path as SHGetPathFromIDListA gives it.
    std::optional<std::string> PickFolder(basFiles::WindowHandle owner,
                                          std::string_view title) override;
};

}  // namespace plumex::win32
