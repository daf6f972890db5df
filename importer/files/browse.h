// The folder picker. The dialog itself belongs to the frontend; the rules for its answer (name
// cut at NUL, trimmed where the platform's names ignore blanks, one trailing separator) are
// the core's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "importer/files/path.h"

namespace basFiles {

// An owner window, as a 32-bit handle value.
using WindowHandle = std::uint32_t;

class FolderPicker {
  public:
    virtual ~FolderPicker() = default;
    // Shows the platform's picker modally over owner with title as its instruction line,
    // rooted at the desktop, confirming only file-system folders. std::nullopt on cancel.
    virtual std::optional<std::string> PickFolder(WindowHandle owner, std::string_view title) = 0;
};

// The chosen folder ending in the separator (a drive root as C:\, "/" on Linux), or "" when
// the user cancelled. The answer is cut at its first NUL; under kTrimmedUpperCase its blanks
// at both ends go too, while under kExact a folder whose name ends in a blank stays that folder
// and does not become its sibling without the blank.
std::string BrowseForFolder(FolderPicker& picker, WindowHandle owner, std::string_view title,
                            FileNameRule rule = kFileNameRule);

}  // namespace basFiles
