// Which entry names are plain file names, and the path an entry is extracted to. A name that
// could reach outside the extraction folder - a folder part ("\", "/"), a drive (":"), ".." or
// "." - or one whose path would not fit the 520-byte path buffer makes the package corrupt,
// so that no file is ever written outside the temporary folder. So does a name that Windows
// would take for something other than a file in that folder: a device (CON, PRN, AUX, NUL,
// COM1-COM9, LPT1-LPT9, with or without an extension, in any case), or a name ending in a dot
// or a blank, which Windows strips and so would write another file than the one named.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "packager/format/entry_header.h"

namespace packager::format {

inline constexpr std::size_t kPathBufferBytes = 520;  // with the terminating NUL
inline constexpr std::size_t kMaxEntryNameLength = kEntryNameBytes - 1;

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

enum class NameFault {
    None,
    Empty,
    TooLong,     // over 259 bytes, or no NUL in the 260-byte field
    HoldsNul,    // a writer was given a name with a NUL inside
    FolderPart,  // "\" or "/"
    Drive,       // ":"
    Dots,        // ".." anywhere, or the name "."
    Device,      // a device name, with or without an extension
    TrailingDotOrBlank,
};

// The fault of a name (without its terminating NUL) as a plain file name, or None.
NameFault CheckPlainFileName(std::string_view name);

// The path of an entry's file, written with its NUL into path: folder, kPathSeparator and the
// name. std::nullopt - a corrupt package - when the name is not a plain file name or the path
// and its NUL exceed the buffer's 520 bytes; path is then left as it was.
std::optional<std::string_view> EntryPath(std::string_view folder, const EntryHeader& header,
                                          std::span<char, kPathBufferBytes> path);

}  // namespace packager::format
