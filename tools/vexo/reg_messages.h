// The messages vexo reg shares between its operations, in reg.exe's words where it has them.
#pragma once

#include <string>
#include <string_view>

#include "importer/registry/registry_api.h"

namespace vexo::cli {

inline constexpr std::string_view kRegSuccess = "The operation completed successfully.\n";
inline constexpr std::string_view kRegNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

// The line for a failed registry operation.
inline std::string RegStatusMessage(registry::Status status) {
    switch (status) {
        case registry::kErrorFileNotFound:
        case registry::kErrorKeyDeleted:
            return std::string(kRegNotFound);
        case registry::kErrorAccessDenied:
            return "ERROR: Access is denied.\n";
        case registry::kErrorInvalidParameter:  // a name longer than the registry takes
            return "ERROR: The parameter is incorrect.\n";
        case registry::kErrorNoSystemResources:  // a key deeper than the registry goes
            return "ERROR: Insufficient system resources exist to complete the requested "
                   "service.\n";
        default:
            return "ERROR: The registry operation failed (error " + std::to_string(status) + ").\n";
    }
}

}  // namespace vexo::cli
