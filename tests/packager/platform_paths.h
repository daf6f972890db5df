// The platform's operations that write a path, called as the worker calls them, with a buffer
// of the worker's size; each gives the path written, or nothing when the operation failed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "packager/package_worker.h"
#include "packager/path_buffer.h"
#include "packager/worker_platform.h"

namespace packager::testing_support {

template <typename Operation>
std::optional<std::string> PathWritten(std::string_view start, Operation operation) {
    std::vector<char> storage(kLongestPath);
    PathBuffer path(storage);
    if (!path.Assign(start) || !operation(path)) {
        return std::nullopt;
    }
    return std::string(path.View());
}

inline std::optional<std::string> OwnPathOf(WorkerPlatform& platform) {
    return PathWritten({}, [&](PathBuffer& path) { return platform.OwnPath(path); });
}

inline std::optional<std::string> TempFolderOf(WorkerPlatform& platform) {
    return PathWritten({}, [&](PathBuffer& path) { return platform.TempFolder(path); });
}

inline std::optional<std::string> UniqueFolderIn(WorkerPlatform& platform,
                                                 std::string_view parent) {
    return PathWritten(parent,
                       [&](PathBuffer& path) { return platform.CreateUniqueFolder(path, "SFX"); });
}

}  // namespace packager::testing_support
