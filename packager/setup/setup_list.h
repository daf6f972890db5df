// SETUP.LST: what a package's setup program installs, and where. A text file of our own, in the
// package beside the setup program and the files it names:
//
//   [Product]
//   Name=VEXO(tm) Plumex TV
//   Version=1.0.2
//   Publisher=VEXO
//   Folder=VEXO\Plumex TV          the install folder below the platform's programs folder
//   Program=Plumex.exe             the file the uninstall entry and the shortcut name
//   Shortcut=VEXO(tm) Plumex TV    the Start menu shortcut's (or desktop entry's) name
//   [Files]
//   Plumex.exe=$(AppPath)\Plumex.exe,123456
//   LICENSE.txt=$(AppPath)\LICENSE.txt,1234
//
// Each file line: the package entry's name, "=", its destination (a variable of the install,
// "$(AppPath)" on Windows; "$(Bin)", "$(Data)" or "$(AppPath)" on Linux, then a relative path
// with "\" or "/"), ",", its size in bytes in decimal. Lines are CR LF or LF; blank lines and
// lines starting with ";" are ignored. Keys are matched without regard to ASCII case; blanks
// around keys and values are not part of them. The text is UTF-8.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

struct SetupFile {
    std::string entry;        // the name of the file in the package
    std::string destination;  // "$(AppPath)\Plumex.exe"
    std::uint64_t size = 0;

    bool operator==(const SetupFile&) const = default;
};

struct SetupList {
    std::string name;
    std::string version;
    std::string publisher;
    std::string folder;
    std::string program;
    std::string shortcut;
    std::vector<SetupFile> files;

    bool operator==(const SetupList&) const = default;
};

struct SetupListRead {
    std::optional<SetupList> list;
    std::string error;  // "line 7: ..." when list is empty
};

// Reads the text of a SETUP.LST; refuses a list without Name, Version, Folder or Program, a
// file line without a destination or size, a destination outside its variable's folder ("..",
// an absolute path) and two files with one destination (compared without regard to ASCII case,
// as Windows compares file names). Entry names must be plain file names, as in the package;
// the Folder's parts and the destinations' must be names Windows can write (none empty, ".",
// "..", holding one of :*?"<>| or a control character, or ending in a dot or a blank).
SetupListRead ParseSetupList(std::string_view text);
// The text ParseSetupList reads back as list, with CR LF line ends: what the release writes.
std::string FormatSetupList(const SetupList& list);

// The install's variables and the folders they name: {"AppPath", "C:\Program Files\VEXO\..."}.
using SetupVariables = std::map<std::string, std::string, std::less<>>;

// The path a destination names, its relative part written with the platform's separator;
// std::nullopt for a variable the install does not define.
std::optional<std::string> ResolveDestination(std::string_view destination,
                                              const SetupVariables& variables);

}  // namespace setup
