// Whether the shared libraries the programs of a package need are on this system, asked before
// anything is installed: a program whose libraries are missing would install and then not start.
// The system's own program loader answers, as it would when the program starts (the loader an
// ELF file names, run in its tracing mode, as ldd runs it); what it cannot find is named with the
// Debian package that brings it, for the libraries our programs use.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup::posix {

struct MissingLibrary {
    std::string name;      // the library's soname, or the path of a missing program loader
    std::string neededBy;  // the file that needs it
};

struct LibraryCheck {
    std::vector<MissingLibrary> missing;
    std::string error;  // the loader could not be asked about a file; empty when it was
};

// Looks at every file given that is a dynamically linked ELF program or library; other files
// (texts, pictures, statically linked programs) need nothing.
LibraryCheck FindMissingLibraries(const std::vector<std::string>& files);

// The Debian package that installs the library (or loader); std::nullopt for one we do not know.
std::optional<std::string_view> DebianPackageFor(std::string_view library);

// The lines that tell the user what is missing and how to get it.
std::string DescribeMissing(const std::vector<MissingLibrary>& missing);

}  // namespace setup::posix
