// The platform's directory search, as FindFirstFile / FindNextFile / FindClose offer it. The
// listing rules of basFiles are written once on top of these operations; each platform
// supplies them (directory_search_posix.cpp, directory_search_win32.cpp).
#pragma once

#include <string>
#include <string_view>

#include "importer/files/listing.h"

namespace basFiles::platform {

struct DirectoryEntry {
    std::string name;  // as the platform delivers it, not trimmed
    bool isDirectory = false;
};

// Opens a search for pattern (a path whose last component may hold * and ?, matched as the
// Windows directory search matches it) and delivers its first entry. 0 when the search cannot
// be opened or nothing matches.
ListingHandle OpenDirectorySearch(std::string_view pattern, DirectoryEntry& first);

// The next entry of an open search; false at the end, on failure, and for handle 0.
bool NextDirectoryEntry(ListingHandle handle, DirectoryEntry& entry);

// Ends a search; 0 and unknown handles are ignored.
void CloseDirectorySearch(ListingHandle handle);

// The path can be opened for sequential reading (a folder cannot). Never blocks, never reports.
bool CanOpenForReading(std::string_view path);

}  // namespace basFiles::platform
