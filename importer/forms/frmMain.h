// frmMain's behaviour, free of any window system: the start-up checks that prove a usable
// media library is installed, the import command with its Cancel button, and the menus. The
// window itself is a MainWindowView; the machine's services come in as StartupServices so
// that tests can stand in for the registry, the version reader and the library.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "importer/files/version_api.h"
#include "importer/forms/main_window_layout.h"
#include "importer/forms/main_window_view.h"
#include "importer/import_state.h"
#include "importer/itunes/itunes.h"
#include "importer/registry/registry_api.h"

namespace forms {

using importer::ImportState;

struct StartupServices {
    // Shaped as ExpandEnvironmentStringsA: expands text into destination (size bytes) and
    // returns the size the expansion needs, its NUL counted; 0 on failure.
    std::function<std::uint32_t(std::string_view text, char* destination, std::uint32_t size)>
        expandEnvironmentStrings;
    registry::RegistryApi* registry = nullptr;
    basFiles::VersionInfoApi* versions = nullptr;
    // Creates the automation object registered under a programmatic identifier; null when
    // there is none.
    std::function<itunes::Ref<itunes::Application>(std::string_view programmaticId)> createObject;
};

// This machine's services: its environment, registry, version reader and media library.
StartupServices SystemStartupServices();

// The texts the window shows besides the messages.
inline constexpr std::string_view kImportCaption = "&Import TV Shows...";
inline constexpr std::string_view kCancelCaption = "Cance&l";
inline constexpr std::string_view kChooserTitle = "Select TV Show Folder...";

class frmMain {
  public:
    frmMain(MainWindowView& view, StartupServices services);

    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // Runs once, before the window is first shown. A failed check shows its message and ends
    // the program through the view; the Help window opens last.
    void Form_Load();
    // The window's close command. True when the window may close now. While an import's
    // handler runs (the chooser open, or the walk going on) the close acts as a confirmed
    // cancel, and the window closes once the handler has unwound.
    bool Form_QueryUnload();

    // Starts an import when none runs; during one, asks whether to cancel it.
    void cmdImport_Click();
    void mnuImport_Click();
    void mnuExit_Click();
    void mnuContents_Click();
    void mnuAbout_Click();
    // The handler of a menu item of the layout's table; None does nothing.
    void RunMenuCommand(MenuCommand command);

    const ImportState& State() const { return state_; }

  private:
    void Fail(std::string_view message, MessageIcon icon);
    void FitAndCentre();
    void StartImport();
    bool ConnectToLibrary();
    void RequestCancel();
    void RestoreIdle();

    MainWindowView& view_;
    StartupServices services_;
    ImportState state_;
    // True while the cancel confirmation is open.
    bool ConfirmingCancel = false;
    // An import's handler is running, from the first click until the idle state is back.
    bool importRunning_ = false;
    // The window was asked to close while an import ran.
    bool closePending_ = false;
};

}  // namespace forms
