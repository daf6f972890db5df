// How the worker's files are opened on Windows, apart from the objects that use them.
#pragma once

#include <string>

#include "common/win32/scoped_win.h"

namespace packager::win32 {

// The package: read access only, no sharing, existing files only, sequential-scan hint.
common::win32::UniqueHandle OpenPackageFile(const std::string& path);

// An entry's file: read and write access, no sharing, always created (an old file of the name
// is replaced), normal attributes, write-through.
common::win32::UniqueHandle CreateEntryFile(const std::string& path);

}  // namespace packager::win32
