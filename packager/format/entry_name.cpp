#include "packager/format/entry_name.h"

namespace packager::format {

NameFault CheckPlainFileName(std::string_view name) {
    if (name.empty()) {
        return NameFault::Empty;
    }
    if (name.size() > kMaxEntryNameLength) {
        return NameFault::TooLong;
    }
    if (name.find('\0') != std::string_view::npos) {
        return NameFault::HoldsNul;
    }
    if (name.find_first_of("\\/") != std::string_view::npos) {
        return NameFault::FolderPart;
    }
    if (name.find(':') != std::string_view::npos) {
        return NameFault::Drive;
    }
    if (name == "." || name.find("..") != std::string_view::npos) {
        return NameFault::Dots;
    }
    return NameFault::None;
}

std::optional<std::string> EntryPath(std::string_view folder, const EntryHeader& header) {
    const std::optional<std::string_view> name = header.Name();
    if (!name || CheckPlainFileName(*name) != NameFault::None ||
        folder.size() + 1 + name->size() + 1 > kPathBufferBytes) {
        return std::nullopt;
    }
    std::string path;
    path.reserve(folder.size() + 1 + name->size());
    path.append(folder).append(1, kPathSeparator).append(*name);
    return path;
}

}  // namespace packager::format
