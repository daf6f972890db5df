// setup.exe of the Linux package: installs the files its SETUP.LST names, from the folder the
// program itself lies in (where VEXOSetup extracted the package), into ~/.local or $PREFIX.
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "common/own_program.h"
#include "packager/setup/posix/library_check.h"
#include "packager/setup/posix/linux_install.h"
#include "packager/setup/setup_path.h"

namespace {

using namespace setup;
using namespace setup::posix;

constexpr std::string_view kUsage =
    "Usage: setup.exe\n"
    "\n"
    "Installs the package whose files lie beside this program, as its SETUP.LST lists\n"
    "them: the programs into PREFIX/bin, the desktop entry and the icons into\n"
    "PREFIX/share, the product's own files into PREFIX/share/FOLDER, and an uninstall\n"
    "script PREFIX/bin/PROGRAM-uninstall that removes what was installed again.\n"
    "\n"
    "PREFIX is ~/.local unless the environment variable PREFIX names another folder.\n"
    "Before anything is written the shared libraries the programs need are looked for;\n"
    "when some are missing, nothing is installed and their Debian packages are named.\n"
    "On a terminal it asks before it installs, unless VEXO_SETUP_AUTOANSWER=1.\n"
    "\n"
    "The install is one change: a failure half-way, or Ctrl+C, undoes what was done, and\n"
    "an install that a crash cut short is undone when setup.exe next runs.\n"
    "\n"
    "Exit status: 0 when the product was installed, 1 when it was not, 2 on a usage\n"
    "error.\n";

volatile sig_atomic_t stopSignal = 0;

void RequestStop(int signal) {
    stopSignal = signal;
}

// SIGINT, SIGTERM and SIGHUP (Ctrl+C, a request to end, a closed terminal) undo the install
// rather than leave it half done.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return home;
    }
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
}

// $PREFIX (made absolute against the current folder, the caller's), else ~/.local; empty when
// neither can be had.
std::string ChoosePrefix() {
    const char* named = std::getenv("PREFIX");
    std::filesystem::path prefix;
    if (named != nullptr && *named != '\0') {
        std::error_code error;
        prefix = std::filesystem::absolute(named, error);
    } else if (const std::string home = HomeFolder(); !home.empty() && home.front() == '/') {
        prefix = std::filesystem::path(home) / ".local";
    }
    std::string text = prefix.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

bool OnPath(const std::string& folder) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        if (rest.substr(0, colon) == folder) {
            return true;
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return false;
}

// Asks on the terminal; without one there is no one to ask, and running the package was the
// user's request (a file manager starts it so).
bool Confirmed(const LinuxInstall& install, const LinuxFolders& folders) {
    std::cout << "Installing " << install.product << " into " << folders.prefix << ":\n";
    for (const PlannedFile& file : install.plan.files) {
        std::cout << "  " << file.destination << "\n";
    }
    if (install.plan.shortcut) {
        std::cout << "  " << install.plan.shortcut->path << "\n";
    }
    const char* autoAnswer = std::getenv("VEXO_SETUP_AUTOANSWER");
    if ((autoAnswer != nullptr && std::string_view(autoAnswer) == "1") || !::isatty(STDIN_FILENO)) {
        return true;
    }
    std::cout << "Install? [Y/n] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        std::cout << "\n";
        return false;
    }
    return answer.empty() || answer == "y" || answer == "Y" || answer == "yes";
}

int Run() {
    const std::string packageFolder = common::OwnProgramFile().folder;
    const std::string prefix = ChoosePrefix();
    if (packageFolder.empty() || prefix.empty()) {
        std::cerr << "setup: "
                  << (packageFolder.empty() ? "cannot find its own folder"
                                            : "no PREFIX and no home folder")
                  << "; nothing was installed.\n";
        return EXIT_FAILURE;
    }
    PosixInstallPlatform probe(prefix);
    const std::optional<std::string> listText =
        probe.ReadFile(JoinPath(packageFolder, "SETUP.LST"));
    const SetupListRead read = listText ? ParseSetupList(*listText) : SetupListRead{};
    if (!read.list) {
        std::cerr << "setup: the package's SETUP.LST "
                  << (listText ? "is damaged: " + read.error
                               : "cannot be read: " + probe.LastError())
                  << "\nIf you downloaded the package, please download it again.\n";
        return EXIT_FAILURE;
    }
    const SetupList& list = *read.list;
    const LinuxFolders folders = FoldersFor(list, prefix);
    PosixInstallPlatform platform(folders.bin);

    const CrashLeft crashLeft = RecoverCrashLeft(folders, platform);
    if (!crashLeft.journal.empty()) {
        if (!crashLeft.outcome.ok) {
            std::cerr << "setup: " << crashLeft.outcome.error << " (" << platform.LastError()
                      << ")\nNothing was installed.\n";
            return EXIT_FAILURE;
        }
        std::cout << "An earlier installation that did not finish was undone.\n";
    }

    const LinuxPlanRead planned = PlanLinuxInstall(list, packageFolder, folders, platform);
    if (!planned.install) {
        std::cerr << "setup: " << planned.error << "\nNothing was installed.\n";
        return EXIT_FAILURE;
    }
    const LinuxInstall& install = *planned.install;

    std::vector<std::string> packageFiles;
    for (const SetupFile& file : list.files) {
        packageFiles.push_back(JoinPath(packageFolder, file.entry));
    }
    const LibraryCheck libraries = FindMissingLibraries(packageFiles);
    if (!libraries.error.empty()) {
        std::cerr << "setup: " << libraries.error << "\nNothing was installed.\n";
        return EXIT_FAILURE;
    }
    if (!libraries.missing.empty()) {
        std::cerr << "setup: " << list.name << " needs shared libraries that this system lacks:\n"
                  << DescribeMissing(libraries.missing) << "Nothing was installed.\n";
        return EXIT_FAILURE;
    }

    if (!Confirmed(install, folders)) {
        std::cout << "Nothing was installed.\n";
        return EXIT_FAILURE;
    }
    CatchStopSignals();
    platform.SetStopRequest([] { return stopSignal != 0; });
    const InstallOutcome outcome = Install(install.plan, platform);
    if (!outcome.ok) {
        std::cerr << "setup: " << outcome.error << "\n"
                  << (outcome.rolledBack
                          ? "Nothing was installed.\n"
                          : "What was done could not all be undone; run the setup again to "
                            "undo the rest.\n");
        return stopSignal != 0 ? 128 + stopSignal : EXIT_FAILURE;
    }
    const std::string program = JoinPath(folders.bin, list.program);
    std::cout << install.product
              << (outcome.upgraded ? " was upgraded in " : " was installed into ") << folders.prefix
              << ".\n"
              << "Start it from the desktop's menu, or run " << program << "\n"
              << "To remove it, run " << install.uninstallScript << "\n";
    if (!OnPath(folders.bin)) {
        std::cout << folders.bin
                  << " is not on your PATH: the programs are started by their full paths.\n";
    }
    return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 1) {
        const std::string_view argument = argv[1];
        const bool help = argc == 2 && (argument == "--help" || argument == "-h");
        (help ? std::cout : std::cerr) << kUsage;
        return help ? EXIT_SUCCESS : 2;
    }
    return Run();
}
