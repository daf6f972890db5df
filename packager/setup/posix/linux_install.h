// Where a Linux install puts a package's files, as its SETUP.LST names them, below a prefix
// (~/.local unless the user names another):
//   $(Bin)      PREFIX/bin: the programs, made executable, and the uninstall script
//   $(Data)     PREFIX/share: the icons in icons/hicolor/; the desktop entry goes to
//               applications/<Shortcut>.desktop, written from the package's entry of that name
//   $(AppPath)  PREFIX/share/<the list's Folder>: the product's own files (its license) and the
//               install record. Everything in it is text, which belongs below share, and under
//               ~/.local that is the folder the XDG layout gives a user's application data
//               (~/.local/lib is no folder of it).
// The install itself is the core's (installer.h): one journaled change, undone on a failure.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "packager/setup/installer.h"
#include "packager/setup/posix/posix_install_platform.h"
#include "packager/setup/setup_list.h"

namespace setup::posix {

struct LinuxFolders {
    std::string prefix;  // absolute, without a trailing "/"
    std::string bin;
    std::string data;
    std::string appPath;
    // The journal's name: it lies in $(AppPath), or in the deepest folder above it that exists
    // when the install begins, since the folders below are still to be made.
    std::string journalName;
};

LinuxFolders FoldersFor(const SetupList& list, std::string_view prefix);

struct LinuxInstall {
    InstallPlan plan;
    std::string product;          // "VEXO(tm) Plumex TV 1.0.2"
    std::string uninstallScript;  // $(Bin)/<program>-uninstall
};

struct LinuxPlanRead {
    std::optional<LinuxInstall> install;
    std::string error;
};

// The plan of an install of the package in packageFolder. It reads the package's desktop entry
// into the platform, and makes the uninstall script, which the platform provides as a file of
// the package: it names what the plan will make (the folders missing now, every file) and what
// an earlier install into the prefix made, as its record lists it.
LinuxPlanRead PlanLinuxInstall(const SetupList& list, std::string_view packageFolder,
                               const LinuxFolders& folders, PosixInstallPlatform& platform);

struct CrashLeft {
    std::string journal;  // empty when no install was cut short
    RecoveryOutcome outcome;
};

// Finds the journal an install cut short left along $(AppPath)'s path and undoes it.
CrashLeft RecoverCrashLeft(const LinuxFolders& folders, InstallPlatform& platform);

}  // namespace setup::posix
