// Paths as the setup programs join and split them: the platform's separator, and on Windows "/"
// as a second one, as the system itself takes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace setup {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathSeparators = "/";
#endif

inline std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && kPathSeparators.find(path.back()) == std::string_view::npos) {
        path += kPathSeparator;
    }
    path += name;
    return path;
}

// The folder that holds path; std::nullopt for a path without a separator and for a root ("/",
// "C:\"), which have none.
inline std::optional<std::string> ParentFolder(std::string_view path) {
    const std::size_t cut = path.find_last_of(kPathSeparators);
    if (cut == std::string_view::npos || cut + 1 == path.size()) {
        return std::nullopt;
    }
    if (cut == 0) {
        return std::string(path.substr(0, 1));
    }
    return std::string(path.substr(0, cut));
}

// Whether path lies inside folder, at any depth.
inline bool IsInside(std::string_view path, std::string_view folder) {
    return path.size() > folder.size() + 1 && path.starts_with(folder) &&
           kPathSeparators.find(path[folder.size()]) != std::string_view::npos;
}

}  // namespace setup
