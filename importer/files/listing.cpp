#include "importer/files/listing.h"

#include <optional>
#include <string>
#include <utility>

#include "importer/files/directory_search.h"
#include "importer/files/path.h"
#include "importer/files/text.h"

namespace basFiles {

namespace {

enum class EntryKind { Folder, File };

// Only the directory bit decides what an entry is; "." and ".." are never handed out as
// folders, and as files they never qualify.
bool Qualifies(const platform::DirectoryEntry& entry, EntryKind wanted, const std::string& name) {
    if (wanted == EntryKind::File) {
        return !entry.isDirectory;
    }
    return entry.isDirectory && name != "." && name != "..";
}

bool TakeIfQualifies(const platform::DirectoryEntry& entry, EntryKind wanted, std::string& name,
                     std::string* nameOnDisk) {
    std::string trimmed = TrimAtNull(entry.name);
    if (!Qualifies(entry, wanted, trimmed)) {
        return false;
    }
    name = std::move(trimmed);
    if (nameOnDisk != nullptr) {
        *nameOnDisk = entry.name;
    }
    return true;
}

bool GetNext(ListingHandle& handle, std::string& name, std::string* nameOnDisk, EntryKind wanted) {
    name.clear();
    if (nameOnDisk != nullptr) {
        nameOnDisk->clear();
    }
    platform::DirectoryEntry entry;
    while (platform::NextDirectoryEntry(handle, entry)) {
        if (TakeIfQualifies(entry, wanted, name, nameOnDisk)) {
            return true;
        }
    }
    CloseFind(handle);
    return false;
}

bool GetFirst(std::string_view folder, ListingHandle& handle, std::string& name,
              std::string* nameOnDisk, EntryKind wanted) {
    // Whatever the handle held belongs to an earlier walk, which has closed it.
    handle = 0;
    platform::DirectoryEntry first;
    const ListingHandle opened =
        platform::OpenDirectorySearch(AddTrailing(folder, kPathSeparator) + "*", first);
    if (opened == 0) {
        return false;
    }
    handle = opened;
    if (TakeIfQualifies(first, wanted, name, nameOnDisk)) {
        return true;
    }
    return GetNext(handle, name, nameOnDisk, wanted);
}

// The first entry of a search for pattern, the search closed again; nullopt when nothing
// matched.
std::optional<platform::DirectoryEntry> FirstMatch(const std::string& pattern) {
    platform::DirectoryEntry entry;
    ListingHandle search = platform::OpenDirectorySearch(pattern, entry);
    if (search == 0) {
        return std::nullopt;
    }
    const ListingGuard closeSearch(search);
    return entry;
}

}  // namespace

bool FolderExists(std::string_view path) {
    if (TrimBlanks(path).empty()) {
        return false;
    }
    const std::string withoutSeparator = RemoveTrailing(path, kPathSeparator);
    // The path's own entry decides; a drive root (or "/") has none and is found by its contents.
    if (const auto own = FirstMatch(withoutSeparator)) {
        return own->isDirectory;
    }
    return FirstMatch(withoutSeparator + std::string(kPathSeparator) + "*").has_value();
}

bool FileExists(std::string_view path) {
    if (TrimBlanks(path).empty()) {
        return false;
    }
    return platform::CanOpenForReading(path);
}

bool GetFirstFolder(std::string_view folder, ListingHandle& handle, std::string& name,
                    std::string* nameOnDisk) {
    return GetFirst(folder, handle, name, nameOnDisk, EntryKind::Folder);
}

bool GetNextFolder(ListingHandle& handle, std::string& name, std::string* nameOnDisk) {
    return GetNext(handle, name, nameOnDisk, EntryKind::Folder);
}

bool GetFirstFile(std::string_view folder, ListingHandle& handle, std::string& name,
                  std::string* nameOnDisk) {
    return GetFirst(folder, handle, name, nameOnDisk, EntryKind::File);
}

bool GetNextFile(ListingHandle& handle, std::string& name, std::string* nameOnDisk) {
    return GetNext(handle, name, nameOnDisk, EntryKind::File);
}

void CloseFind(ListingHandle& handle) {
    if (handle != 0) {
        platform::CloseDirectorySearch(handle);
        handle = 0;
    }
}

}  // namespace basFiles
