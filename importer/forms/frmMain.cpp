#include "importer/forms/frmMain.h"

#include <string>
#include <utility>
#include <vector>

#include "importer/episode_import.h"
#include "importer/files/listing.h"
#include "importer/files/path.h"
#include "importer/files/text.h"
#include "importer/files/version_info.h"
#include "importer/itunes/library/library_contract.h"
#include "importer/registry/clsRegistry.h"

namespace forms {
namespace {

using itunes::library::kLibraryProgramFile;
using itunes::library::kLibraryRegistryKey;
using itunes::library::kMinimumLibraryVersion;
using itunes::library::kProgramFolderValue;

constexpr std::string_view kNoLibrary =
    "Unable to communicate with iTunes. Please reinstall iTunes.";

// The expansion of "%PROGRAMFILES%": asked for its size first, then expanded into a buffer of
// that many blanks and one more, of which the characters before the NUL are kept.
std::string ProgramFilesFolder(const StartupServices& services) {
    constexpr std::string_view reference = "%PROGRAMFILES%";
    const std::uint32_t needed = services.expandEnvironmentStrings(reference, nullptr, 0);
    std::string buffer(std::size_t{needed} + 1, ' ');
    const std::uint32_t written = services.expandEnvironmentStrings(
        reference, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    if (written == 0 || written > buffer.size()) {
        return {};
    }
    buffer.resize(written - 1);
    return buffer;
}

// The library's program file: the folder in the registry is read as relative to Program
// Files, even when it holds a full path.
std::string LibraryProgramPath(std::string_view programFiles, std::string_view installFolder) {
    return basFiles::AddTrailing(programFiles, basFiles::kPathSeparator) +
           basFiles::AddTrailing(installFolder, basFiles::kPathSeparator) +
           std::string(kLibraryProgramFile);
}

bool AcceptedVersion(std::int32_t major, std::int32_t minor) {
    return major > kMinimumLibraryVersion.major ||
           (major == kMinimumLibraryVersion.major && minor >= kMinimumLibraryVersion.minor);
}

}  // namespace

frmMain::frmMain(MainWindowView& view, StartupServices services)
    : view_(view), services_(std::move(services)) {}

void frmMain::Fail(std::string_view message, MessageIcon icon) {
    view_.ShowMessage(message, importer::kApplicationTitle, MessageButtons::Ok, icon);
    view_.EndProgram();
}

void frmMain::Form_Load() {
    state_.ImportStopped = true;

    const std::string programFiles = ProgramFilesFolder(services_);
    if (!basFiles::FolderExists(programFiles)) {
        return Fail("Program Files location not detected.", MessageIcon::None);
    }

    std::string libraryProgram;
    {
        registry::clsRegistry registry(*services_.registry);
        if (!registry.ValueExists(registry::kHkeyLocalMachine, kLibraryRegistryKey,
                                  kProgramFolderValue)) {
            return Fail("iTunes not detected in registry. Please reinstall iTunes.",
                        MessageIcon::Error);
        }
        const std::string installFolder = registry.ReadString(
            registry::kHkeyLocalMachine, kLibraryRegistryKey, kProgramFolderValue, "");
        libraryProgram = LibraryProgramPath(programFiles, installFolder);
    }

    if (!basFiles::FileExists(libraryProgram)) {
        return Fail("iTunes not found on the hard drive. Please reinstall iTunes.",
                    MessageIcon::Error);
    }
    basFiles::FileVersionRecord record;
    if (!basFiles::ReadFileVersionInfo(*services_.versions, libraryProgram, record)) {
        return Fail("iTunes version unreadable. Please reinstall iTunes.", MessageIcon::Error);
    }
    const std::int32_t major = record.FileVersionParts[0];
    const std::int32_t minor = record.FileVersionParts[1];
    if (!AcceptedVersion(major, minor)) {
        return Fail("iTunes v7.1 or better not detected. Please update iTunes.",
                    MessageIcon::Error);
    }

    view_.SetVersionLabel("iTunes v" + std::to_string(major) + "." + std::to_string(minor) +
                          " detected");
    view_.SetCaption(std::string(importer::kApplicationTitle) + " v" +
                     std::to_string(importer::kProgramVersion.major) + "." +
                     std::to_string(importer::kProgramVersion.minor));
    FitAndCentre();
    mnuContents_Click();
}

// The client area ends ten pixels below the Import button, plus the status bar; the width
// stays. Then the window is centred on the screen in one move.
void frmMain::FitAndCentre() {
    const WindowMetrics before = view_.Metrics();
    view_.SetHeight((before.height - before.clientHeight) + before.importTop + before.importHeight +
                    10 * before.twipsPerPixelY + before.statusHeight);
    const WindowMetrics after = view_.Metrics();
    view_.Move((after.screenWidth - after.width) / 2, (after.screenHeight - after.height) / 2);
}

bool frmMain::Form_QueryUnload() {
    if (!importRunning_) {
        return true;
    }
    // The walk is still on the stack: stop it as a confirmed cancel would, and close once it
    // has unwound.
    closePending_ = true;
    state_.ImportStopped = true;
    view_.SetEnabled(MainControl::cmdImport, false);
    return false;
}

void frmMain::cmdImport_Click() {
    if (state_.ImportStopped) {
        // A click that arrives while a close is waiting for the walk to unwind starts nothing.
        if (!closePending_) {
            StartImport();
        }
        return;
    }
    RequestCancel();
}

void frmMain::StartImport() {
    // From here until the idle state is back, the import's handler is on the stack.
    importRunning_ = true;
    state_.FilesAdded = 0;
    view_.SetEnabled(MainControl::cmdImport, false);
    view_.SetEnabled(MainControl::mnuFile, false);
    view_.SetEnabled(MainControl::mnuHelp, false);
    if (!ConnectToLibrary()) {
        return Fail(kNoLibrary, MessageIcon::Error);
    }

    const std::string chosen = basFiles::BrowseForFolder(view_, view_.Handle(), kChooserTitle);
    std::string root = basFiles::RemoveTrailing(chosen, basFiles::kPathSeparator);
    // A file-system root chosen on its own ("/") is a folder, not a cancel.
    if (root.empty() && !chosen.empty()) {
        root = chosen;
    }
    // A close asked for while the chooser was open wins over the folder chosen.
    if (!root.empty() && !closePending_) {
        view_.SetImportCaption(kCancelCaption);
        state_.ImportStopped = false;
        view_.SetEnabled(MainControl::cmdImport, true);
        importer::EpisodeImport(state_, view_).ImportShows(root);
    }
    // The next import connects afresh. Letting go of the library now ends its work on this
    // import: the last episode's labels reach its file before the window is idle again.
    state_.MoviesPlaylist.reset();
    state_.iTunesApp.reset();
    RestoreIdle();
}

// A new application object and a fresh look-up of the "Movies" playlist of the "Library"
// source at every import; a failing step on the way leaves the playlist unset.
bool frmMain::ConnectToLibrary() {
    state_.iTunesApp.reset();
    state_.iTunesApp =
        services_.createObject ? services_.createObject(itunes::kApplicationId) : nullptr;
    if (!state_.iTunesApp) {
        return false;
    }
    state_.MoviesPlaylist.reset();
    if (const auto sources = state_.iTunesApp->Sources()) {
        if (const auto library = sources->ItemByName(itunes::library::kLibrarySourceName)) {
            if (const auto playlists = library->Playlists()) {
                state_.MoviesPlaylist = playlists->ItemByName(itunes::library::kMoviesPlaylistName);
            }
        }
    }
    return state_.MoviesPlaylist != nullptr;
}

void frmMain::RestoreIdle() {
    view_.SetDisplayField(DisplayField::Show, "");
    view_.SetDisplayField(DisplayField::EpisodeID, "");
    view_.SetDisplayField(DisplayField::EpisodeNumber, "");
    view_.SetDisplayField(DisplayField::SeasonNumber, "");
    view_.SetImportCaption(kImportCaption);
    state_.ImportStopped = true;
    view_.SetEnabled(MainControl::cmdImport, true);
    view_.SetEnabled(MainControl::mnuFile, true);
    view_.SetEnabled(MainControl::mnuHelp, true);
    importRunning_ = false;
    if (closePending_) {
        closePending_ = false;
        view_.Unload();
    }
}

// Runs nested, inside a yield of the walk: the walk waits until the answer is in.
void frmMain::RequestCancel() {
    if (ConfirmingCancel) {
        return;
    }
    ConfirmingCancel = true;
    view_.SetEnabled(MainControl::cmdImport, false);
    const MessageAnswer answer =
        view_.ShowMessage("Are you sure you want to cancel?", importer::kApplicationTitle,
                          MessageButtons::YesNo, MessageIcon::Question);
    // A close that came while the question was open has already stopped the import.
    if (answer == MessageAnswer::Yes || state_.ImportStopped) {
        state_.ImportStopped = true;
    } else {
        view_.SetEnabled(MainControl::cmdImport, true);
    }
    ConfirmingCancel = false;
}

void frmMain::mnuImport_Click() {
    cmdImport_Click();
}

void frmMain::mnuExit_Click() {
    view_.Unload();
}

void frmMain::mnuContents_Click() {
    view_.OpenHelp();
}

void frmMain::mnuAbout_Click() {
    view_.OpenAbout();
}

void frmMain::RunMenuCommand(MenuCommand command) {
    switch (command) {
        case MenuCommand::Import:
            return mnuImport_Click();
        case MenuCommand::Exit:
            return mnuExit_Click();
        case MenuCommand::Contents:
            return mnuContents_Click();
        case MenuCommand::About:
            return mnuAbout_Click();
        case MenuCommand::None:
            return;
    }
}

}  // namespace forms
