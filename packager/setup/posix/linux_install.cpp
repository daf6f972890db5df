#include "packager/setup/posix/linux_install.h"

#include <set>
#include <vector>

#include "packager/setup/posix/install_texts.h"
#include "packager/setup/setup_path.h"

namespace setup::posix {

namespace {

using Kind = InstallStep::Kind;
using PathKind = InstallPlatform::PathKind;

std::string LastName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The deepest of path and the folders above it that is a folder now.
std::string DeepestFolder(std::string path, InstallPlatform& platform) {
    while (platform.Find(path) != PathKind::kFolder) {
        const std::optional<std::string> parent = ParentFolder(path);
        if (!parent) {
            return "/";
        }
        path = *parent;
    }
    return path;
}

// What the uninstall script removes, each path once, in the order first met.
class Removals {
  public:
    void AddFile(const std::string& path) { Add(files_, path); }
    void AddFolder(const std::string& path) { Add(folders_, path); }
    // The folder and the folders above it that are missing now: the install makes them.
    void AddMissingFolders(std::optional<std::string> folder, InstallPlatform& platform) {
        for (; folder && platform.Find(*folder) == PathKind::kMissing;
             folder = ParentFolder(*folder)) {
            AddFolder(*folder);
        }
    }
    const std::vector<std::string>& Files() const { return files_; }
    const std::vector<std::string>& Folders() const { return folders_; }

  private:
    void Add(std::vector<std::string>& paths, const std::string& path) {
        if (listed_.insert(path).second) {
            paths.push_back(path);
        }
    }

    std::set<std::string> listed_;
    std::vector<std::string> files_;
    std::vector<std::string> folders_;
};

}  // namespace

LinuxFolders FoldersFor(const SetupList& list, std::string_view prefix) {
    LinuxFolders folders;
    folders.prefix = std::string(prefix);
    folders.bin = JoinPath(prefix, "bin");
    folders.data = JoinPath(prefix, "share");
    std::string folder = list.folder;
    for (char& c : folder) {
        if (c == '\\') {
            c = '/';
        }
    }
    folders.appPath = JoinPath(folders.data, folder);
    folders.journalName = "." + LastName(folder) + "-setup.journal";
    return folders;
}

LinuxPlanRead PlanLinuxInstall(const SetupList& list, std::string_view packageFolder,
                               const LinuxFolders& folders, PosixInstallPlatform& platform) {
    LinuxInstall install;
    install.product = list.name + " " + list.version;
    InstallPlan& plan = install.plan;
    plan.folder = folders.appPath;
    plan.record = JoinPath(folders.appPath, "install.log");
    plan.journal = JoinPath(DeepestFolder(folders.appPath, platform), folders.journalName);

    const SetupVariables variables = {
        {"Bin", folders.bin}, {"Data", folders.data}, {"AppPath", folders.appPath}};
    for (const SetupFile& file : list.files) {
        const std::optional<std::string> destination =
            ResolveDestination(file.destination, variables);
        if (!destination) {
            return {std::nullopt, "The destination " + file.destination +
                                      " names no folder of a Linux install ($(Bin), $(Data) or "
                                      "$(AppPath))."};
        }
        plan.files.push_back({JoinPath(packageFolder, file.entry), *destination, file.size});
    }
    if (!list.shortcut.empty()) {
        const std::string entryName = list.shortcut + ".desktop";
        const std::optional<std::string> desktopEntry =
            platform.ReadFile(JoinPath(packageFolder, entryName));
        if (!desktopEntry) {
            return {std::nullopt, "The package has no desktop entry " + entryName + "."};
        }
        platform.SetDesktopEntry(*desktopEntry);
        plan.shortcut = Shortcut{JoinPath(JoinPath(folders.data, "applications"), entryName),
                                 JoinPath(folders.bin, list.program), folders.appPath, list.name};
    }

    std::string scriptName;
    for (const char c : list.program) {
        scriptName += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    scriptName += "-uninstall";
    install.uninstallScript = JoinPath(folders.bin, scriptName);
    const std::string scriptSource = JoinPath(packageFolder, scriptName);
    plan.files.push_back({scriptSource, install.uninstallScript, std::nullopt});

    // What an earlier install made stays listed: the record this install writes keeps it too.
    Removals removals;
    const std::optional<std::vector<InstallStep>> earlier =
        platform.Find(plan.record) == PathKind::kFile ? ReadInstallRecord(plan.record, platform)
                                                      : std::nullopt;
    for (const InstallStep& step : earlier.value_or(std::vector<InstallStep>())) {
        if (step.kind == Kind::kCreateFolder) {
            removals.AddFolder(step.path);
        } else if (step.kind == Kind::kWriteFile || step.kind == Kind::kReplaceFile ||
                   step.kind == Kind::kCreateShortcut) {
            removals.AddFile(step.path);
        }
    }
    removals.AddMissingFolders(plan.folder, platform);
    for (const PlannedFile& file : plan.files) {
        removals.AddMissingFolders(ParentFolder(file.destination), platform);
        removals.AddFile(file.destination);
    }
    if (plan.shortcut) {
        removals.AddMissingFolders(ParentFolder(plan.shortcut->path), platform);
        removals.AddFile(plan.shortcut->path);
    }
    removals.AddFile(plan.record);
    platform.Provide(scriptSource, UninstallScript(removals.Files(), removals.Folders(),
                                                   install.product, folders.prefix));
    return {std::move(install), {}};
}

CrashLeft RecoverCrashLeft(const LinuxFolders& folders, InstallPlatform& platform) {
    for (std::optional<std::string> folder = folders.appPath; folder;
         folder = ParentFolder(*folder)) {
        const std::string journal = JoinPath(*folder, folders.journalName);
        if (platform.Find(journal) != PathKind::kMissing) {
            return {journal, RecoverJournal(journal, platform)};
        }
    }
    return {};
}

}  // namespace setup::posix
