// What an install did, step by step, so that a failure half-way is undone in reverse order and
// the uninstall removes exactly what the install made (and puts back what it replaced), nothing
// else. Written to the disk as each step is done, so that a crash is undone too: the next run
// of the setup program finds the journal of an install that never finished and rolls it back.
//
// The text is UTF-8, one step a line ended by LF, its fields separated by TAB:
//
//   folder         PATH
//   file           PATH
//   replace        PATH  BACKUP
//   key            KEY
//   value          KEY   NAME
//   replace-value  KEY   NAME  sz|dword  OLD
//   shortcut       PATH
//
// In a field "%" and the control characters are written as "%" and two hexadecimal digits, so
// that a path or an old text holding a TAB or a line end stays one field. A journal ends with
// the line "commit" once its install is complete. A last line without its LF is a write that a
// crash cut short: the step it would have named was not begun, so it is left out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

// One step, as recorded before it is made (so that a step the crash cut short is undone too).
struct InstallStep {
    enum class Kind {
        kCreateFolder,    // path: a folder that did not exist
        kWriteFile,       // path: a file that did not exist
        kReplaceFile,     // path: a file that existed; backup: where its old bytes were kept
        kSetValue,        // key, name: a registry value that did not exist
        kReplaceValue,    // key, name, old: a value that existed with old text (oldIsNumber:
                          // a REG_DWORD, old its decimal text)
        kCreateKey,       // key: a registry key that did not exist
        kCreateShortcut,  // path: a shortcut (.lnk) or desktop entry that did not exist
    };
    Kind kind = Kind::kCreateFolder;
    std::string path = {};
    std::string backup = {};
    std::string key = {};
    std::string name = {};
    std::string old = {};
    bool oldIsNumber = false;

    bool operator==(const InstallStep&) const = default;
};

// The journal's text, one step a line: the form kept in the install folder (the uninstall
// record) and beside it while the install runs.
std::string FormatInstallSteps(const std::vector<InstallStep>& steps);
// std::nullopt for a line that names no step (a "commit" line included: a record has none).
std::optional<std::vector<InstallStep>> ParseInstallSteps(std::string_view text);

// A journal as an interrupted run left it: its steps, and whether it had reached its commit.
struct InstallJournal {
    std::vector<InstallStep> steps;
    bool committed = false;
};
inline constexpr std::string_view kCommitLine = "commit\n";
std::optional<InstallJournal> ParseInstallJournal(std::string_view text);

// A registry value as the setup programs write them: a text (REG_SZ) or a number (REG_DWORD).
struct RegistryValue {
    bool isNumber = false;
    std::string text;
    std::uint32_t number = 0;

    static RegistryValue Text(std::string text) { return {false, std::move(text), 0}; }
    static RegistryValue Number(std::uint32_t number) { return {true, {}, number}; }
    bool operator==(const RegistryValue&) const = default;
};

struct ValueRead {
    enum class Status { kMissing, kFound, kUnreadable };  // kUnreadable: another type
    Status status = Status::kMissing;
    RegistryValue value;
};

// A Start menu shortcut (or a desktop entry) to the installed program.
struct Shortcut {
    std::string path;  // the shortcut's own file: "...\Programs\VEXO(tm) Plumex TV.lnk"
    std::string target;
    std::string workingFolder;
    std::string description;
};

// What installing, undoing and uninstalling need of the platform; each returns false on
// failure. Paths are UTF-8. Registry keys begin with their hive, "HKLM\" or "HKCU\"; a platform
// without a registry keeps the defaults, and its plans name no uninstall entry.
class InstallPlatform {
  public:
    enum class PathKind { kMissing, kFile, kFolder };

    virtual ~InstallPlatform() = default;

    virtual PathKind Find(const std::string& path) = 0;
    virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
    virtual std::optional<std::string> ReadFile(const std::string& path) = 0;

    // Each of these makes something new, failing when anything is at the path already, and what
    // it wrote is on the disk when it returns.
    virtual bool CreateFolder(const std::string& path) = 0;
    virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
    virtual bool WriteFile(const std::string& path, std::string_view text) = 0;
    virtual bool CreateShortcut(const Shortcut& shortcut) = 0;
    // Adds text at the end of a file, making the file when it is missing; on the disk when it
    // returns.
    virtual bool AppendFile(const std::string& path, std::string_view text) = 0;

    // Removing what is not there succeeds, so that a step undone twice (a rollback that a crash
    // cut short, run again) does no harm.
    virtual bool RemoveFile(const std::string& path) = 0;
    virtual bool RemoveEmptyFolder(const std::string& path) = 0;
    // Renames a file; fails when to exists.
    virtual bool MoveFile(const std::string& from, const std::string& to) = 0;

    virtual bool KeyExists(const std::string& /*key*/) { return false; }
    // Makes a key whose parent exists.
    virtual bool CreateKey(const std::string& /*key*/) { return false; }
    virtual ValueRead ReadValue(const std::string& /*key*/, const std::string& /*name*/) {
        return {};
    }
    virtual bool SetValue(const std::string& /*key*/, const std::string& /*name*/,
                          const std::string& /*text*/) {
        return false;
    }
    virtual bool SetNumber(const std::string& /*key*/, const std::string& /*name*/,
                           std::uint32_t /*number*/) {
        return false;
    }
    virtual bool DeleteValue(const std::string& /*key*/, const std::string& /*name*/) {
        return false;
    }
    // Removes a key that has no subkeys, with whatever values it still holds (the entry is ours,
    // whoever wrote into it since).
    virtual bool DeleteEmptyKey(const std::string& /*key*/) { return false; }

    // The last failure in words, for the message that reports it; empty when unknown.
    virtual std::string LastError() { return {}; }
};

// Undoes the steps in reverse order: removes what was made, puts back what was replaced.
// Carries on past a step that fails, so that as much as possible is undone; false when one
// failed.
bool UndoSteps(const std::vector<InstallStep>& steps, InstallPlatform& platform);

}  // namespace setup
