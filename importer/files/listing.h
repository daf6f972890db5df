// Existence tests and the one-entry-at-a-time folder listing of basFiles.
//
// A walk: GetFirstFolder (or GetFirstFile); while it returned true, use the name and call
// GetNextFolder (GetNextFile). A false answer from a Next call has already closed the listing
// and set the handle to 0; a caller that leaves the loop early hands the handle to CloseFind
// (or lets a ListingGuard do it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace basFiles {

// The caller-owned handle of an open folder listing; 0 when none is open. The platform's
// invalid-handle value (-1) is never stored.
using ListingHandle = std::int32_t;

// The path names an existing folder. The path itself is first used as a search pattern (its
// last component may hold * and ?; the first match decides), then its contents are searched,
// which is what makes a drive root (or "/") count.
bool FolderExists(std::string_view path);

// The path names something that can be opened for reading and is not a folder.
bool FileExists(std::string_view path);

// Names come back through TrimAtNull. Where the caller needs the entry's name exactly as it
// stands on disk (leading or trailing blanks included), nameOnDisk receives it.
bool GetFirstFolder(std::string_view folder, ListingHandle& handle, std::string& name,
                    std::string* nameOnDisk = nullptr);
bool GetNextFolder(ListingHandle& handle, std::string& name, std::string* nameOnDisk = nullptr);
bool GetFirstFile(std::string_view folder, ListingHandle& handle, std::string& name,
                  std::string* nameOnDisk = nullptr);
bool GetNextFile(ListingHandle& handle, std::string& name, std::string* nameOnDisk = nullptr);

// Closes an open listing and sets the handle to 0; does nothing for 0.
void CloseFind(ListingHandle& handle);

// Closes the listing a walk level opened, however the level is left.
class ListingGuard {
  public:
    explicit ListingGuard(ListingHandle& handle) : handle_(handle) {}
    ~ListingGuard() { CloseFind(handle_); }
    ListingGuard(const ListingGuard&) = delete;
    ListingGuard& operator=(const ListingGuard&) = delete;

  private:
    ListingHandle& handle_;
};

}  // namespace basFiles
