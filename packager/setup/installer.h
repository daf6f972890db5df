// Installing a product as one change: each step is recorded in a journal before it is made, a
// failure undoes the steps made so far in reverse order, and only the journal's last line,
// "commit", makes the install final. The install folder then holds the uninstall record, the
// steps that made something in the form of the journal, which the uninstall removes again.
//
// Installing over an earlier install of the same product in the same folder upgrades it in
// place: its files are replaced (their old bytes kept beside them until the commit), its
// uninstall entry is reused with its values replaced, and the new record lists what both made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "packager/setup/install_journal.h"

namespace setup {

struct PlannedFile {
    std::string source;
    std::string destination;
    std::optional<std::uint64_t> size;  // what the source must hold, when the list names it
};

// The entry Windows lists the program by: "ST6UNST #n" below parentKey, the entry an earlier
// install of this program into this folder made (ApplicationName and InstallLocation equal,
// without regard to ASCII case) or else the first n from 0 to 1000 whose key is missing.
struct UninstallEntry {
    std::string parentKey;  // "HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
    std::string applicationName;
    std::string installLocation;
    // Written after ApplicationName and InstallLocation, in this order.
    std::vector<std::pair<std::string, RegistryValue>> values;
};

inline constexpr std::string_view kUninstallKeyPrefix = "ST6UNST #";
inline constexpr int kLastUninstallEntry = 1000;

struct InstallPlan {
    std::string folder;  // made with every missing folder above it
    std::vector<PlannedFile> files;
    std::optional<UninstallEntry> entry;
    std::optional<Shortcut> shortcut;
    std::string record;   // the uninstall record, in folder
    std::string journal;  // in a folder that exists; no journal may be there
};

struct InstallOutcome {
    bool ok = false;
    bool upgraded = false;  // an earlier install's record was found and kept in the new one
    std::string entryKey;   // the uninstall entry's key, when the plan names one
    std::string error;      // what failed, in words, when not ok
    // When not ok: nothing this run made is left (it made nothing, or undid all of it) and its
    // journal is gone; false leaves the journal for the next run to undo.
    bool rolledBack = false;
};

InstallOutcome Install(const InstallPlan& plan, InstallPlatform& platform);

// What an earlier run left in its journal: undone when the run had not committed, its backups
// removed when it had. Without a journal there is nothing to do (ok).
struct RecoveryOutcome {
    bool ok = true;
    bool found = false;
    std::string error;
};
RecoveryOutcome RecoverJournal(const std::string& journal, InstallPlatform& platform);

// The steps of the record at path; std::nullopt when it cannot be read or is not a record.
std::optional<std::vector<InstallStep>> ReadInstallRecord(const std::string& path,
                                                          InstallPlatform& platform);

// Removes what a record lists, except the deferred files (a running program cannot remove its
// own file everywhere) and the folders that hold them: first the files, folders and shortcut,
// in reverse order, and only when all of them are gone the registry values and keys, so that
// an install that could not be removed keeps its uninstall entry for another try. What is
// already gone counts as removed, so the same record can be run again to finish.
struct UninstallOutcome {
    bool ok = false;
    std::vector<std::string> left;  // what could not be removed
};
UninstallOutcome RemoveInstall(const std::vector<InstallStep>& record, InstallPlatform& platform,
                               const std::vector<std::string>& deferred = {});

}  // namespace setup
