// What the program and the media library it works with must agree on, whichever library it is:
// the outside application on Windows, the embedded one elsewhere. The start-up checks find the
// application by these names, the installer puts the embedded library there, and an import
// reaches the playlist it adds to by them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace itunes::library {

// The application's entry below HKEY_LOCAL_MACHINE, and the key that holds it, which an
// uninstall removes too once nothing else is left in it.
inline constexpr std::string_view kLibraryRegistryParentKey = "SOFTWARE\\Apple Computer, Inc.";
inline constexpr std::string_view kLibraryRegistryKey = "SOFTWARE\\Apple Computer, Inc.\\iTunes";
// The entry's value naming the install folder, read as a folder below Program Files.
inline constexpr std::string_view kProgramFolderValue = "ProgramFolder";
// The program file in that folder, whose version resource tells the application's version.
inline constexpr std::string_view kLibraryProgramFile = "iTunes.EXE";

// The oldest version of the application the program works with, as major and minor number.
struct LibraryVersion {
    std::int32_t major;
    std::int32_t minor;
};
inline constexpr LibraryVersion kMinimumLibraryVersion{7, 1};

// The automation level the embedded library implements, as its program file's version.
inline constexpr std::array<std::uint16_t, 4> kLibraryAutomationVersion = {7, 1, 0, 0};
static_assert(kLibraryAutomationVersion[0] > kMinimumLibraryVersion.major ||
                  (kLibraryAutomationVersion[0] == kMinimumLibraryVersion.major &&
                   kLibraryAutomationVersion[1] >= kMinimumLibraryVersion.minor),
              "the embedded library must pass the program's own start-up checks");

// The library's source, the playlist of every track in it, and the playlist an import adds to.
inline constexpr std::string_view kLibrarySourceName = "Library";
inline constexpr std::string_view kLibraryPlaylistName = "Library";
inline constexpr std::string_view kMoviesPlaylistName = "Movies";

}  // namespace itunes::library
