// Windows error codes that only the embedded registry store reports, beside the common ones of
// registry_api.h.
#pragma once

#include "importer/registry/registry_api.h"

namespace registry::store {

inline constexpr Status kErrorNotEnoughMemory = 8;
inline constexpr Status kErrorDiskFull = 112;
inline constexpr Status kErrorBadPathname = 161;    // an empty level in a key path
inline constexpr Status kErrorBusy = 170;           // another process held the store too long
inline constexpr Status kErrorNotifyCleanup = 745;  // a waiting notification's handle was closed
inline constexpr Status kErrorNoAccess = 998;       // data missing for a non-zero size
inline constexpr Status kErrorPossibleDeadlock = 1131;  // a wait that could never end
inline constexpr Status kErrorRegistryCorrupt = 1015;
inline constexpr Status kErrorRegistryIoFailed = 1016;

}  // namespace registry::store
