#include "packager/setup/win32/setup_program.h"

// First, so that the names of the install's operations stay as they are (see the header).
#include "packager/setup/win32/setup_windows.h"

#include <shlobj.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

#include "common/ascii_case.h"
#include "common/win32/scoped_win.h"
#include "packager/setup/installer.h"
#include "packager/setup/setup_list.h"
#include "packager/setup/setup_path.h"
#include "packager/setup/win32/dialogue.h"
#include "packager/setup/win32/setup_windows.h"
#include "packager/setup/win32/win32_install_platform.h"

namespace setup::win32 {
namespace {

using common::win32::UniqueHandle;
using PathKind = InstallPlatform::PathKind;

constexpr std::string_view kListName = "SETUP.LST";
constexpr std::string_view kRecordName = "install.log";
constexpr std::string_view kUninstallerName = "uninstall.exe";
constexpr std::string_view kUninstallKeyBelowHive =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr std::string_view kGenericCaption = "Setup";

std::string OwnPath() {
    // Windows paths reach 32,767 characters; a shorter buffer is filled and cut without a word.
    std::wstring path(MAX_PATH, L'\0');
    while (path.size() <= 32768) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return Narrow(path);
        }
        path.resize(path.size() * 2);
    }
    return {};
}

std::string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return {};
    }
    return Narrow(path);
}

// A folder as the environment names it, the way Plumex finds Program Files through
// %ProgramFiles% (and an administrator or a test may point the install elsewhere); the shell's
// folder where the variable is not set.
std::string SystemFolder(const wchar_t* variable, int csidl) {
    const DWORD size = ::GetEnvironmentVariableW(variable, nullptr, 0);
    if (size > 1) {
        std::wstring value(size, L'\0');
        const DWORD length = ::GetEnvironmentVariableW(variable, value.data(), size);
        if (length > 0 && length < size) {
            value.resize(length);
            return Narrow(value);
        }
    }
    return ShellFolder(csidl);
}

// Whether this user may make the folder: the nearest folder above it that exists takes a new
// file. The probe goes with its handle, whatever ends the program.
bool CanWriteBelow(const std::string& folder, InstallPlatform& platform) {
    std::optional<std::string> level = folder;
    while (level && platform.Find(*level) == PathKind::kMissing) {
        level = ParentFolder(*level);
    }
    if (!level || platform.Find(*level) != PathKind::kFolder) {
        return false;
    }
    const std::string probe =
        JoinPath(*level, "vexo-setup-" + std::to_string(::GetCurrentProcessId()) + ".probe");
    const UniqueHandle file(
        ::CreateFileW(Wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.Valid();
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Where an install goes: for every user of the machine, or, when Program Files cannot be
// written, for the user alone.
struct Target {
    bool forMachine = true;
    std::string folder;
    std::string journal;  // in a folder of the same reach that always exists
    std::string uninstallKey;
    int programsFolder = CSIDL_COMMON_PROGRAMS;  // where the shortcut goes
};

std::optional<Target> ChooseTarget(const SetupList& list, InstallPlatform& platform) {
    // "VEXO\Plumex TV" keeps its journal as "VEXO Plumex TV.setup-journal".
    std::string journalName = list.folder;
    for (char& c : journalName) {
        if (c == '\\' || c == '/') {
            c = ' ';
        }
    }
    journalName += ".setup-journal";

    const std::string programFiles = SystemFolder(L"ProgramFiles", CSIDL_PROGRAM_FILES);
    const std::string programData = SystemFolder(L"ProgramData", CSIDL_COMMON_APPDATA);
    if (!programFiles.empty() && !programData.empty() &&
        CanWriteBelow(JoinPath(programFiles, list.folder), platform)) {
        return Target{true, JoinPath(programFiles, list.folder), JoinPath(programData, journalName),
                      "HKLM\\" + std::string(kUninstallKeyBelowHive), CSIDL_COMMON_PROGRAMS};
    }
    const std::string local = SystemFolder(L"LOCALAPPDATA", CSIDL_LOCAL_APPDATA);
    if (local.empty()) {
        return std::nullopt;
    }
    return Target{false, JoinPath(JoinPath(local, "Programs"), list.folder),
                  JoinPath(local, journalName), "HKCU\\" + std::string(kUninstallKeyBelowHive),
                  CSIDL_PROGRAMS};
}

struct PlanMade {
    std::optional<InstallPlan> plan;
    std::string error;
};

PlanMade MakePlan(const SetupList& list, const Target& target, const std::string& ownPath,
                  InstallPlatform& platform) {
    InstallPlan plan;
    plan.folder = target.folder;
    const SetupVariables variables = {{"AppPath", target.folder}};
    const std::string package = ParentFolder(ownPath).value_or(std::string());
    std::uint64_t bytes = platform.FileSize(ownPath).value_or(0);
    for (const SetupFile& file : list.files) {
        const std::optional<std::string> destination =
            ResolveDestination(file.destination, variables);
        if (!destination) {
            return {std::nullopt, std::string(kListName) + " names the destination " +
                                      file.destination + ", which this setup does not know."};
        }
        plan.files.push_back({JoinPath(package, file.entry), *destination, file.size});
        bytes += file.size;
    }
    const std::string uninstaller = JoinPath(target.folder, kUninstallerName);
    plan.files.push_back({ownPath, uninstaller, std::nullopt});

    const std::string program = JoinPath(target.folder, list.program);
    const std::uint64_t kibibytes =
        std::min<std::uint64_t>((bytes + 1023) / 1024, std::numeric_limits<std::uint32_t>::max());
    UninstallEntry entry{target.uninstallKey, list.program, target.folder, {}};
    entry.values = {{"DisplayName", RegistryValue::Text(list.name)},
                    {"DisplayVersion", RegistryValue::Text(list.version)}};
    if (!list.publisher.empty()) {
        entry.values.emplace_back("Publisher", RegistryValue::Text(list.publisher));
    }
    entry.values.emplace_back("UninstallString",
                              RegistryValue::Text(Quoted(uninstaller) + " /uninstall"));
    entry.values.emplace_back("DisplayIcon", RegistryValue::Text(program));
    entry.values.emplace_back("EstimatedSize",
                              RegistryValue::Number(static_cast<std::uint32_t>(kibibytes)));
    // There is nothing to change or repair: the entry offers removal only.
    entry.values.emplace_back("NoModify", RegistryValue::Number(1));
    entry.values.emplace_back("NoRepair", RegistryValue::Number(1));
    plan.entry = std::move(entry);

    if (!list.shortcut.empty()) {
        const std::string programs = ShellFolder(target.programsFolder);
        if (programs.empty()) {
            return {std::nullopt, "Cannot find the Start menu's Programs folder."};
        }
        plan.shortcut =
            Shortcut{JoinPath(programs, list.shortcut + ".lnk"), program, target.folder, list.name};
    }
    plan.record = JoinPath(target.folder, kRecordName);
    plan.journal = target.journal;
    return {std::move(plan), {}};
}

std::string Confirmation(const SetupList& list, const InstallPlan& plan, const Target& target,
                         bool upgrade) {
    std::string text =
        upgrade ? list.name + " in " + plan.folder + " will be upgraded to version " +
                      list.version + "."
                : list.name + " " + list.version + " will be installed in " + plan.folder +
                      (target.forMachine ? ", for everyone who uses this computer."
                                         : ", for you alone: Program Files cannot be written.");
    text += "\n\nFiles:";
    for (const PlannedFile& file : plan.files) {
        text += "\n    " + file.destination;
    }
    if (plan.shortcut) {
        text += "\n\nThe Start menu gets the shortcut \"" + list.shortcut + "\".";
    }
    text +=
        "\n\nThe program is listed among the installed programs, where it can be removed "
        "again.\n\nInstall now?";
    return text;
}

int InstallFromPackage(const std::string& ownPath, InstallPlatform& platform, bool autoAnswer) {
    const Dialogue plain(std::string(kGenericCaption), autoAnswer);
    const std::string listPath = JoinPath(ParentFolder(ownPath).value_or(""), kListName);
    const std::optional<std::string> text = platform.ReadFile(listPath);
    if (!text) {
        plain.Complain("Cannot read " + listPath + " (" + platform.LastError() + ").");
        return kExitFailed;
    }
    const SetupListRead read = ParseSetupList(*text);
    if (!read.list) {
        plain.Complain(listPath + " is damaged: " + read.error + ".");
        return kExitFailed;
    }
    const SetupList& list = *read.list;
    const Dialogue dialogue(list.name + " Setup", autoAnswer);

    const std::optional<Target> target = ChooseTarget(list, platform);
    if (!target) {
        dialogue.Complain("Cannot find a folder to install into.");
        return kExitFailed;
    }
    // An install that a crash or a power cut interrupted is undone before anything else.
    const RecoveryOutcome recovered = RecoverJournal(target->journal, platform);
    if (!recovered.ok) {
        dialogue.Complain(recovered.error);
        return kExitFailed;
    }
    const PlanMade made = MakePlan(list, *target, ownPath, platform);
    if (!made.plan) {
        dialogue.Complain(made.error);
        return kExitFailed;
    }
    const InstallPlan& plan = *made.plan;
    const bool upgrade = platform.Find(plan.record) == PathKind::kFile;
    if (!dialogue.Confirm(Confirmation(list, plan, *target, upgrade))) {
        return kExitCancelled;
    }

    const InstallOutcome outcome = Install(plan, platform);
    if (!outcome.ok) {
        dialogue.Complain(outcome.error +
                          (outcome.rolledBack
                               ? "\n\nNothing was changed."
                               : "\n\nNot everything could be undone; the next run of the setup "
                                 "program will undo the rest."));
        return kExitFailed;
    }
    dialogue.Inform(list.name + " " + list.version + " is installed in " + plan.folder + ".");
    return kExitDone;
}

// The product's name as its uninstall entry shows it.
std::optional<std::string> DisplayName(const std::vector<InstallStep>& record,
                                       InstallPlatform& platform) {
    for (const InstallStep& step : record) {
        if (step.kind == InstallStep::Kind::kCreateKey &&
            step.key.find(kUninstallKeyPrefix) != std::string::npos) {
            const ValueRead read = platform.ReadValue(step.key, "DisplayName");
            if (read.status == ValueRead::Status::kFound && !read.value.isNumber) {
                return read.value.text;
            }
        }
    }
    return std::nullopt;
}

// The paths as the record spells them: Windows names a file whatever the case of its letters.
std::vector<std::string> AsRecorded(const std::vector<InstallStep>& record,
                                    const std::vector<std::string>& paths) {
    std::vector<std::string> recorded;
    for (const std::string& path : paths) {
        std::string spelling = path;
        for (const InstallStep& step : record) {
            if (common::EqualsIgnoringAsciiCase(step.path, path)) {
                spelling = step.path;
            }
        }
        recorded.push_back(std::move(spelling));
    }
    return recorded;
}

// A running program cannot remove its own file: a copy of it in the temporary folder waits for
// this process to end and removes the rest. Its own file goes when the system next starts.
bool StartFinisher(const std::string& ownPath, const std::string& recordPath) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        return false;
    }
    const std::string folder = Narrow(temp);
    const std::wstring copy = Wide(
        JoinPath(folder, "VEXO-uninstall-" + std::to_string(::GetCurrentProcessId()) + ".exe"));
    if (!::CopyFileW(Wide(ownPath).c_str(), copy.c_str(), FALSE)) {
        return false;
    }
    UniqueHandle self;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(),
                           self.Receive(), SYNCHRONIZE, TRUE, 0)) {
        ::DeleteFileW(copy.c_str());
        return false;
    }
    std::wstring commandLine =
        Wide(Quoted(Narrow(copy)) + " /uninstall-finish " + Quoted(recordPath) + " " +
             std::to_string(reinterpret_cast<std::uintptr_t>(self.Get())));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // It starts in the temporary folder, so that it holds no folder of the install open.
    if (!::CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          temp, &startup, &started)) {
        ::DeleteFileW(copy.c_str());
        return false;
    }
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    return true;
}

// Without a finisher, the system removes what is left when it next starts (if this user may ask
// it to): the files first, then the folders that held them, innermost first.
void RemoveAtRestart(const std::vector<InstallStep>& record,
                     const std::vector<std::string>& deferred) {
    for (const std::string& path : deferred) {
        ::MoveFileExW(Wide(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    for (auto step = record.rbegin(); step != record.rend(); ++step) {
        if (step->kind == InstallStep::Kind::kCreateFolder &&
            IsInside(deferred.front(), step->path)) {
            ::MoveFileExW(Wide(step->path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        }
    }
}

int UninstallHere(const std::string& ownPath, InstallPlatform& platform, bool autoAnswer) {
    const std::string folder = ParentFolder(ownPath).value_or(std::string());
    const std::string recordPath = JoinPath(folder, kRecordName);
    const std::optional<std::vector<InstallStep>> record = ReadInstallRecord(recordPath, platform);
    if (!record) {
        Dialogue(std::string(kGenericCaption), autoAnswer)
            .Complain("There is no installation to remove in " + folder + ": " + recordPath +
                      " cannot be read.");
        return kExitFailed;
    }
    const std::string name = DisplayName(*record, platform).value_or(folder);
    const Dialogue dialogue(name + " Setup", autoAnswer);
    if (!dialogue.Confirm("Remove " + name + " from " + folder +
                          ", with its Start menu shortcut and its entry among the installed "
                          "programs?")) {
        return kExitCancelled;
    }
    const std::vector<std::string> deferred = AsRecorded(*record, {ownPath, recordPath});
    const UninstallOutcome outcome = RemoveInstall(*record, platform, deferred);
    if (!outcome.ok) {
        std::string left;
        for (const std::string& what : outcome.left) {
            left += "\n    " + what;
        }
        dialogue.Complain("These could not be removed:" + left + "\n\nClose " + name +
                          " if it runs, and remove it again.");
        return kExitFailed;
    }
    if (!StartFinisher(ownPath, recordPath)) {
        RemoveAtRestart(*record, deferred);
    }
    dialogue.Inform(name + " was removed.");
    return kExitDone;
}

int FinishUninstall(const std::string& ownPath, const std::string& recordPath,
                    const std::string& handleText, InstallPlatform& platform) {
    std::uintptr_t handle = 0;
    const auto [end, fault] =
        std::from_chars(handleText.data(), handleText.data() + handleText.size(), handle);
    if (fault != std::errc() || end != handleText.data() + handleText.size()) {
        return kExitFailed;
    }
    const UniqueHandle uninstaller(reinterpret_cast<HANDLE>(handle));
    ::WaitForSingleObject(uninstaller.Get(), INFINITE);
    const std::optional<std::vector<InstallStep>> record = ReadInstallRecord(recordPath, platform);
    const bool removed = !record || RemoveInstall(*record, platform).ok;
    ::MoveFileExW(Wide(ownPath).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return removed ? kExitDone : kExitFailed;
}

}  // namespace

int SetupMain(const std::vector<std::wstring>& arguments) {
    Win32InstallPlatform platform;
    const bool autoAnswer = AutoAnswerRequested();
    const std::string ownPath = OwnPath();
    const std::string command = arguments.empty() ? std::string() : Narrow(arguments[0]);
    if (arguments.empty()) {
        return InstallFromPackage(ownPath, platform, autoAnswer);
    }
    if (arguments.size() == 1 && common::EqualsIgnoringAsciiCase(command, "/uninstall")) {
        return UninstallHere(ownPath, platform, autoAnswer);
    }
    if (arguments.size() == 3 && command == "/uninstall-finish") {
        return FinishUninstall(ownPath, Narrow(arguments[1]), Narrow(arguments[2]), platform);
    }
    Dialogue(std::string(kGenericCaption), autoAnswer)
        .Complain(
            "Run setup.exe without arguments to install, or uninstall.exe /uninstall to "
            "remove the installation.");
    return kExitFailed;
}

}  // namespace setup::win32
