#include "importer/files/browse.h"

#include "importer/files/text.h"

namespace basFiles {

std::string BrowseForFolder(FolderPicker& picker, WindowHandle owner, std::string_view title,
                            FileNameRule rule) {
    const std::optional<std::string> chosen = picker.PickFolder(owner, title);
    if (!chosen) {
        return "";
    }
    const std::string folder =
        rule == FileNameRule::kExact ? std::string(CutAtNull(*chosen)) : TrimAtNull(*chosen);
    return AddTrailing(folder, kPathSeparator);
}

}  // namespace basFiles
