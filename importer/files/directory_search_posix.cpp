// The directory search on POSIX systems, shaped like FindFirstFile / FindNextFile / FindClose.
//
// A pattern is split at its last "/" (without one it names an entry of the current folder).
// A last component holding * or ? lists the folder before it and delivers the matching entries
// in the order readdir yields them, "." and ".." included where they match, as Windows does.
// A last component without wildcards names one entry, delivered with the name as written.
// An empty last component (the empty pattern, or one that ends in "/", "/" itself included)
// matches nothing, as a Windows search for "C:\TV\" finds nothing: the contents of a folder are
// searched with "folder/*". A pattern holding a NUL names nothing, rather than the shorter path
// before the NUL.
//
// A symbolic link counts as what it points to: a link to a folder is a folder, a broken link is
// a file.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/posix/unique_fd.h"
#include "importer/files/directory_search.h"
#include "importer/files/wildcard.h"

namespace basFiles::platform {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

// One open search. A search for a single named entry has delivered everything with its first
// entry and holds no folder.
struct Search {
    DirPtr dir;
    std::optional<WildcardPattern> pattern;
};

struct SplitPattern {
    std::string folder;
    std::string last;
};

SplitPattern Split(std::string_view pattern) {
    const std::size_t slash = pattern.rfind('/');
    if (slash == std::string_view::npos) {
        return {".", std::string(pattern)};
    }
    const std::string_view folder = slash == 0 ? pattern.substr(0, 1) : pattern.substr(0, slash);
    return {std::string(folder), std::string(pattern.substr(slash + 1))};
}

bool IsDirectory(DIR* dir, const dirent& entry) {
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat info {};
    return fstatat(dirfd(dir), entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

bool ReadMatchingEntry(Search& search, DirectoryEntry& entry) {
    if (!search.dir || !search.pattern) {
        return false;
    }
    // readdir returns nullptr both at the end and on a failure; either ends the search.
    while (const dirent* found = readdir(search.dir.get())) {
        const std::string_view name(found->d_name);
        if (search.pattern->Matches(name)) {
            entry.name = name;
            entry.isDirectory = IsDirectory(search.dir.get(), *found);
            return true;
        }
    }
    return false;
}

// The open searches of the process. Handles count up from 1 and skip 0 (no listing), -1 (the
// invalid handle) and any value still in use once the count wraps. Reading an entry happens
// under the lock, so closing a search from one thread never pulls its folder from under a read
// on another.
class SearchTable {
  public:
    ListingHandle Add(std::unique_ptr<Search> search) {
        const std::lock_guard lock(mutex_);
        for (;;) {
            const auto candidate = static_cast<ListingHandle>(nextHandle_++);
            if (candidate != 0 && candidate != -1 && !searches_.contains(candidate)) {
                searches_.emplace(candidate, std::move(search));
                return candidate;
            }
        }
    }

    bool Next(ListingHandle handle, DirectoryEntry& entry) {
        const std::lock_guard lock(mutex_);
        const auto it = searches_.find(handle);
        return it != searches_.end() && ReadMatchingEntry(*it->second, entry);
    }

    void Remove(ListingHandle handle) {
        std::unique_ptr<Search> closing;
        {
            const std::lock_guard lock(mutex_);
            const auto it = searches_.find(handle);
            if (it == searches_.end()) {
                return;
            }
            closing = std::move(it->second);
            searches_.erase(it);
        }
        // The folder is closed here, outside the lock.
    }

  private:
    std::mutex mutex_;
    std::map<ListingHandle, std::unique_ptr<Search>> searches_;
    std::uint32_t nextHandle_ = 1;
};

SearchTable& Searches() {
    static SearchTable table;
    return table;
}

std::unique_ptr<Search> OpenNamedEntry(const std::string& path, std::string last,
                                       DirectoryEntry& first) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        first.isDirectory = S_ISDIR(info.st_mode);
    } else if (lstat(path.c_str(), &info) == 0) {
        first.isDirectory = false;  // a broken link
    } else {
        return nullptr;
    }
    first.name = std::move(last);
    return std::make_unique<Search>();
}

std::unique_ptr<Search> OpenFolderListing(const SplitPattern& split, DirectoryEntry& first) {
    auto search = std::make_unique<Search>();
    search->dir.reset(opendir(split.folder.c_str()));
    if (!search->dir) {
        return nullptr;
    }
    search->pattern.emplace(split.last);
    if (!ReadMatchingEntry(*search, first)) {
        return nullptr;
    }
    return search;
}

}  // namespace

ListingHandle OpenDirectorySearch(std::string_view pattern, DirectoryEntry& first) {
    if (pattern.find('\0') != std::string_view::npos) {
        return 0;
    }
    SplitPattern split = Split(pattern);
    if (split.last.empty()) {
        return 0;
    }
    DirectoryEntry found;
    std::unique_ptr<Search> search =
        HasWildcards(split.last)
            ? OpenFolderListing(split, found)
            : OpenNamedEntry(std::string(pattern), std::move(split.last), found);
    if (!search) {
        return 0;
    }
    first = std::move(found);
    return Searches().Add(std::move(search));
}

bool NextDirectoryEntry(ListingHandle handle, DirectoryEntry& entry) {
    return handle != 0 && Searches().Next(handle, entry);
}

void CloseDirectorySearch(ListingHandle handle) {
    if (handle != 0) {
        Searches().Remove(handle);
    }
}

bool CanOpenForReading(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) {
        return false;
    }
    // O_NONBLOCK: opening a FIFO without a writer must not wait for one.
    const common::posix::UniqueFd file(
        open(std::string(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid()) {
        return false;
    }
    struct stat info {};
    return fstat(file.Get(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace basFiles::platform
