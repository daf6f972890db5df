// The embedded media library's application object.
#pragma once

#include <string>

#include "importer/itunes/itunes.h"

namespace itunes::library {

// The library installed in the machine prefix (its database at common::MediaLibraryPath());
// null when it is not installed or its database cannot be opened.
Ref<Application> OpenInstalledLibrary();

// The library whose database is at databasePath (created when missing).
Ref<Application> OpenLibrary(const std::string& databasePath);

}  // namespace itunes::library
