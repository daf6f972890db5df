#include "packager/setup/installer.h"

#include <algorithm>
#include <set>

#include "common/ascii_case.h"
#include "packager/setup/setup_path.h"

namespace setup {
namespace {

using Kind = InstallStep::Kind;
using PathKind = InstallPlatform::PathKind;

// Backups of replaced files wait beside them, under the first of these names that is free.
constexpr std::string_view kBackupSuffix = ".setup-old";
constexpr int kBackupNames = 100;

bool IsFileSystemStep(Kind kind) {
    return kind == Kind::kCreateFolder || kind == Kind::kWriteFile || kind == Kind::kReplaceFile ||
           kind == Kind::kCreateShortcut;
}

// What a step made, so that a record names each thing once.
std::string Target(const InstallStep& step) {
    if (IsFileSystemStep(step.kind)) {
        return "path\t" + step.path;
    }
    return (step.kind == Kind::kCreateKey ? "key\t" : "value\t") + step.key + "\t" + step.name;
}

// The record of an upgrade: what the earlier installs made, then what this one made that they
// had not. A replaced file or value is this install's own now, so the record lists it as made.
std::vector<InstallStep> MergeRecord(const std::vector<InstallStep>& earlier,
                                     const std::vector<InstallStep>& made) {
    std::vector<InstallStep> record = earlier;
    std::set<std::string> targets;
    for (const InstallStep& step : earlier) {
        targets.insert(Target(step));
    }
    for (InstallStep step : made) {
        if (step.kind == Kind::kReplaceFile) {
            step = {.kind = Kind::kWriteFile, .path = step.path};
        } else if (step.kind == Kind::kReplaceValue) {
            step = {.kind = Kind::kSetValue, .key = step.key, .name = step.name};
        }
        if (targets.insert(Target(step)).second) {
            record.push_back(std::move(step));
        }
    }
    return record;
}

std::optional<std::string> ParentKey(std::string_view key) {
    const std::size_t cut = key.rfind('\\');
    if (cut == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(key.substr(0, cut));
}

bool TextEquals(const ValueRead& read, std::string_view text) {
    return read.status == ValueRead::Status::kFound && !read.value.isNumber &&
           common::EqualsIgnoringAsciiCase(read.value.text, text);
}

class InstallRun {
  public:
    InstallRun(const InstallPlan& plan, InstallPlatform& platform)
        : plan_(plan), platform_(platform) {}

    InstallOutcome Run() {
        outcome_.rolledBack = true;  // nothing made yet
        if (!Check()) {
            return outcome_;
        }
        if (MakeFolders() && CopyFiles() && RegisterEntry() && MakeShortcut() && WriteRecord() &&
            Commit()) {
            outcome_.ok = true;
        } else {
            // A failed undo keeps the journal, so that the next run tries again.
            outcome_.rolledBack =
                UndoSteps(made_, platform_) && platform_.RemoveFile(plan_.journal);
        }
        return outcome_;
    }

  private:
    bool Fail(const std::string& what) {
        outcome_.error = what;
        return false;
    }
    // What failed, and the platform's reason.
    bool OperationFailed(const std::string& what) {
        const std::string reason = platform_.LastError();
        return Fail(reason.empty() ? what : what + " (" + reason + ")");
    }

    // Everything that can be known to fail before anything is made.
    bool Check() {
        if (platform_.Find(plan_.journal) != PathKind::kMissing) {
            return Fail("An earlier installation did not finish: its journal " + plan_.journal +
                        " is still there.");
        }
        for (const PlannedFile& file : plan_.files) {
            if (file.size) {
                const std::optional<std::uint64_t> size = platform_.FileSize(file.source);
                if (!size) {
                    return OperationFailed("Cannot read " + file.source + ".");
                }
                if (*size != *file.size) {
                    return Fail(file.source + " holds " + std::to_string(*size) + " bytes, not " +
                                std::to_string(*file.size) + ": the package is damaged.");
                }
            }
        }
        std::vector<std::string> made = {plan_.record};
        for (const PlannedFile& file : plan_.files) {
            made.push_back(file.destination);
        }
        if (plan_.shortcut) {
            made.push_back(plan_.shortcut->path);
        }
        for (const std::string& path : made) {
            if (platform_.Find(path) == PathKind::kFolder) {
                return Fail("Cannot write " + path + ": a folder of that name is in the way.");
            }
        }
        if (platform_.Find(plan_.record) == PathKind::kFile) {
            std::optional<std::vector<InstallStep>> earlier =
                ReadInstallRecord(plan_.record, platform_);
            if (!earlier) {
                return Fail("The record of the installation in " + plan_.folder + ", " +
                            plan_.record + ", cannot be read.");
            }
            earlier_ = std::move(*earlier);
            outcome_.upgraded = true;
        }
        if (plan_.entry) {
            outcome_.entryKey = FindEntryKey(*plan_.entry);
            if (outcome_.entryKey.empty()) {
                return Fail("Every uninstall entry below " + plan_.entry->parentKey + " is taken.");
            }
        }
        return true;
    }

    std::string FindEntryKey(const UninstallEntry& entry) {
        std::string firstFree;
        for (int n = 0; n <= kLastUninstallEntry; ++n) {
            std::string key =
                entry.parentKey + "\\" + std::string(kUninstallKeyPrefix) + std::to_string(n);
            if (!platform_.KeyExists(key)) {
                if (firstFree.empty()) {
                    firstFree = std::move(key);
                }
            } else if (TextEquals(platform_.ReadValue(key, "ApplicationName"),
                                  entry.applicationName) &&
                       TextEquals(platform_.ReadValue(key, "InstallLocation"),
                                  entry.installLocation)) {
                return key;
            }
        }
        return firstFree;
    }

    // Recorded in the journal, and on the disk, before it is made.
    bool Record(InstallStep step) {
        if (!platform_.AppendFile(plan_.journal, FormatInstallSteps({step}))) {
            return OperationFailed("Cannot write the installation's journal " + plan_.journal +
                                   ".");
        }
        made_.push_back(std::move(step));
        return true;
    }

    bool MakeFolders() {
        std::vector<std::string> folders = {plan_.folder};
        for (const PlannedFile& file : plan_.files) {
            folders.push_back(ParentFolder(file.destination).value_or(plan_.folder));
        }
        if (plan_.shortcut) {
            folders.push_back(ParentFolder(plan_.shortcut->path).value_or(plan_.folder));
        }
        for (const std::string& folder : folders) {
            if (!MakeFolder(folder)) {
                return false;
            }
        }
        return true;
    }

    // path with every missing level above it, the outermost first: folders or registry keys.
    template <typename IsMissing, typename ParentOf, typename MakeOne>
    static bool MakeLevels(const std::string& path, IsMissing isMissing, ParentOf parentOf,
                           MakeOne makeOne) {
        std::vector<std::string> missing;
        for (std::optional<std::string> level = path; level && isMissing(*level);
             level = parentOf(*level)) {
            missing.push_back(*level);
        }
        return std::all_of(missing.rbegin(), missing.rend(), makeOne);
    }

    bool MakeFolder(const std::string& folder) {
        return MakeLevels(
            folder,
            [this](const std::string& level) {
                return platform_.Find(level) == PathKind::kMissing;
            },
            ParentFolder,
            [this](const std::string& level) {
                return Record({.kind = Kind::kCreateFolder, .path = level}) &&
                       (platform_.CreateFolder(level) ||
                        OperationFailed("Cannot create the folder " + level + "."));
            });
    }

    // Moves an existing file out of the way, to wait for the commit.
    bool SetAside(const std::string& path) {
        for (int n = 1; n <= kBackupNames; ++n) {
            std::string backup =
                path + std::string(kBackupSuffix) + (n == 1 ? std::string() : std::to_string(n));
            if (platform_.Find(backup) != PathKind::kMissing) {
                continue;
            }
            if (!Record({.kind = Kind::kReplaceFile, .path = path, .backup = backup})) {
                return false;
            }
            if (!platform_.MoveFile(path, backup)) {
                return OperationFailed("Cannot replace " + path + ".");
            }
            return true;
        }
        return Fail("Cannot replace " + path + ": no free name for its backup.");
    }

    // Sets an existing file aside, or records a new one.
    bool Prepare(const std::string& path, Kind newKind) {
        if (platform_.Find(path) == PathKind::kFile) {
            return SetAside(path);
        }
        return Record({.kind = newKind, .path = path});
    }

    bool CopyFiles() {
        for (const PlannedFile& file : plan_.files) {
            if (!Prepare(file.destination, Kind::kWriteFile)) {
                return false;
            }
            if (!platform_.CopyFile(file.source, file.destination)) {
                return OperationFailed("Cannot copy " + file.source + " to " + file.destination +
                                       ".");
            }
        }
        return true;
    }

    bool RegisterEntry() {
        if (!plan_.entry) {
            return true;
        }
        const UninstallEntry& entry = *plan_.entry;
        if (!MakeKey(outcome_.entryKey)) {
            return false;
        }
        if (!SetEntryValue("ApplicationName", RegistryValue::Text(entry.applicationName)) ||
            !SetEntryValue("InstallLocation", RegistryValue::Text(entry.installLocation))) {
            return false;
        }
        for (const auto& [name, value] : entry.values) {
            if (!SetEntryValue(name, value)) {
                return false;
            }
        }
        return true;
    }

    bool MakeKey(const std::string& key) {
        return MakeLevels(
            key, [this](const std::string& level) { return !platform_.KeyExists(level); },
            ParentKey,
            [this](const std::string& level) {
                return Record({.kind = Kind::kCreateKey, .key = level}) &&
                       (platform_.CreateKey(level) ||
                        OperationFailed("Cannot create the registry key " + level + "."));
            });
    }

    bool SetEntryValue(const std::string& name, const RegistryValue& value) {
        const std::string& key = outcome_.entryKey;
        const ValueRead read = platform_.ReadValue(key, name);
        if (read.status == ValueRead::Status::kUnreadable) {
            return Fail("The value " + name + " of " + key + " is not a text or a number.");
        }
        if (read.status == ValueRead::Status::kFound && read.value == value) {
            return true;
        }
        InstallStep step{.kind = Kind::kSetValue, .key = key, .name = name};
        if (read.status == ValueRead::Status::kFound) {
            step.kind = Kind::kReplaceValue;
            step.oldIsNumber = read.value.isNumber;
            step.old = read.value.isNumber ? std::to_string(read.value.number) : read.value.text;
        }
        if (!Record(std::move(step))) {
            return false;
        }
        const bool written = value.isNumber ? platform_.SetNumber(key, name, value.number)
                                            : platform_.SetValue(key, name, value.text);
        return written || OperationFailed("Cannot write the value " + name + " of " + key + ".");
    }

    bool MakeShortcut() {
        if (!plan_.shortcut) {
            return true;
        }
        if (!Prepare(plan_.shortcut->path, Kind::kCreateShortcut)) {
            return false;
        }
        return platform_.CreateShortcut(*plan_.shortcut) ||
               OperationFailed("Cannot create the shortcut " + plan_.shortcut->path + ".");
    }

    bool WriteRecord() {
        if (!Prepare(plan_.record, Kind::kWriteFile)) {
            return false;
        }
        return platform_.WriteFile(plan_.record,
                                   FormatInstallSteps(MergeRecord(earlier_, made_))) ||
               OperationFailed("Cannot write the uninstall record " + plan_.record + ".");
    }

    // From the commit line on the install stands; the backups and the journal are only litter.
    bool Commit() {
        if (!platform_.AppendFile(plan_.journal, kCommitLine)) {
            return OperationFailed("Cannot write the installation's journal " + plan_.journal +
                                   ".");
        }
        for (const InstallStep& step : made_) {
            if (step.kind == Kind::kReplaceFile) {
                platform_.RemoveFile(step.backup);
            }
        }
        platform_.RemoveFile(plan_.journal);
        return true;
    }

    const InstallPlan& plan_;
    InstallPlatform& platform_;
    std::vector<InstallStep> earlier_;
    std::vector<InstallStep> made_;
    InstallOutcome outcome_;
};

}  // namespace

InstallOutcome Install(const InstallPlan& plan, InstallPlatform& platform) {
    return InstallRun(plan, platform).Run();
}

RecoveryOutcome RecoverJournal(const std::string& journal, InstallPlatform& platform) {
    RecoveryOutcome outcome;
    if (platform.Find(journal) == PathKind::kMissing) {
        return outcome;
    }
    outcome.found = true;
    const std::optional<std::string> text = platform.ReadFile(journal);
    const std::optional<InstallJournal> parsed =
        text ? ParseInstallJournal(*text) : std::optional<InstallJournal>();
    if (!parsed) {
        outcome.ok = false;
        outcome.error =
            "The journal of an unfinished installation, " + journal + ", cannot be read.";
        return outcome;
    }
    bool done = true;
    if (parsed->committed) {
        // The install stands; a backup that cannot go (a program still runs from it) is litter.
        for (const InstallStep& step : parsed->steps) {
            if (step.kind == Kind::kReplaceFile) {
                platform.RemoveFile(step.backup);
            }
        }
    } else {
        done = UndoSteps(parsed->steps, platform);
    }
    outcome.ok = done && platform.RemoveFile(journal);
    if (!outcome.ok) {
        outcome.error =
            "An unfinished installation could not be undone; its journal is " + journal + ".";
    }
    return outcome;
}

std::optional<std::vector<InstallStep>> ReadInstallRecord(const std::string& path,
                                                          InstallPlatform& platform) {
    const std::optional<std::string> text = platform.ReadFile(path);
    if (!text) {
        return std::nullopt;
    }
    return ParseInstallSteps(*text);
}

UninstallOutcome RemoveInstall(const std::vector<InstallStep>& record, InstallPlatform& platform,
                               const std::vector<std::string>& deferred) {
    const auto isDeferred = [&deferred](const InstallStep& step) {
        return std::any_of(deferred.begin(), deferred.end(), [&step](const std::string& path) {
            return path == step.path ||
                   (step.kind == Kind::kCreateFolder && IsInside(path, step.path));
        });
    };
    UninstallOutcome outcome;
    for (const bool fileSystem : {true, false}) {
        for (auto step = record.rbegin(); step != record.rend(); ++step) {
            if (IsFileSystemStep(step->kind) != fileSystem || isDeferred(*step)) {
                continue;
            }
            bool removed = false;
            switch (step->kind) {
                case Kind::kCreateFolder:
                    removed = platform.RemoveEmptyFolder(step->path);
                    break;
                case Kind::kWriteFile:
                case Kind::kReplaceFile:
                case Kind::kCreateShortcut:
                    removed = platform.RemoveFile(step->path);
                    break;
                case Kind::kSetValue:
                case Kind::kReplaceValue:
                    removed = platform.DeleteValue(step->key, step->name);
                    break;
                case Kind::kCreateKey:
                    removed = platform.DeleteEmptyKey(step->key);
                    break;
            }
            if (!removed) {
                outcome.left.push_back(
                    fileSystem
                        ? step->path
                        : step->key + (step->name.empty() ? std::string() : " " + step->name));
            }
        }
        // Files that stay keep the entry that can remove them later.
        if (!outcome.left.empty()) {
            break;
        }
    }
    outcome.ok = outcome.left.empty();
    return outcome;
}

}  // namespace setup
