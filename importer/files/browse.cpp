#include "importer/files/browse.h"

#include "importer/files/path.h"
#include "importer/files/text.h"

namespace basFiles {

std::string BrowseForFolder(FolderPicker& picker, WindowHandle owner, std::string_view title) {
    const std::optional<std::string> chosen = picker.PickFolder(owner, title);
    if (!chosen) {
        return "";
    }
    return AddTrailing(TrimAtNull(*chosen), kPathSeparator);
}

}  // namespace basFiles
