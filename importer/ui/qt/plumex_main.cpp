// Plumex on Linux: the main window loads (the start-up checks, then Help), appears, and runs
// until it is unloaded. On this machine's first run the embedded media library is installed
// into the machine prefix, so that the start-up checks find it.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "common/machine_prefix.h"
#include "importer/forms/frmMain.h"
#include "importer/itunes/library/library_install.h"
#include "importer/registry/registry_api.h"
#include "importer/ui/qt/about_window.h"
#include "importer/ui/qt/help_window.h"
#include "importer/ui/qt/main_window.h"

namespace {

bool HasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

// A machine prefix that does not exist yet is a first run: it gets the library.
bool InstallLibraryOnFirstRun() {
    const std::string prefix = common::MachinePrefix();
    std::error_code error;
    if (prefix.empty() || std::filesystem::exists(prefix, error)) {
        return true;
    }
    if (!common::EnsureMachinePrefix()) {
        std::cerr << "Plumex: cannot create the machine folder " << prefix << "\n";
        return false;
    }
    std::ostringstream report;
    if (!itunes::library::InstallLibrary(registry::SystemRegistryApi(), report, std::cerr)) {
        std::cerr << "Plumex: the media library could not be installed into " << prefix << "\n";
        return false;
    }
    std::cerr << "Plumex: first run, the media library was installed into " << prefix << "\n";
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!HasDisplay()) {
        std::cerr << "Plumex needs a display, and none is set (DISPLAY, WAYLAND_DISPLAY).\n"
                     "Run it on a desktop, or under a virtual one: xvfb-run Plumex\n"
                     "To import from a terminal instead: vexo import FOLDER\n";
        return EXIT_FAILURE;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plumex"));
    if (!InstallLibraryOnFirstRun()) {
        return EXIT_FAILURE;
    }

    plumex::qt::MainWindowHooks hooks;
    hooks.openHelp = [](QWidget* owner) { plumex::qt::ShowHelpWindow(owner); };
    hooks.openAbout = [](QWidget* owner) { plumex::qt::ShowAboutWindow(owner); };
    plumex::qt::MainWindow window(forms::SystemStartupServices(), std::move(hooks));
    window.Form().Form_Load();
    window.show();
    return QApplication::exec();
}
