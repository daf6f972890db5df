#include "tools/vexo/import_command.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>

#include "importer/episode_naming.h"
#include "importer/forms/frmMain.h"
#include "importer/import_preview.h"
#include "tools/vexo/interrupt_guard.h"
#include "tools/vexo/printable.h"

namespace vexo::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: vexo import [--dry-run] FOLDER\n"
    "\n"
    "Imports the TV shows in FOLDER into the embedded media library of the machine\n"
    "prefix ($VEXO_PREFIX, else $XDG_DATA_HOME/vexo, else ~/.local/share/vexo), as\n"
    "Plumex's Import command does. FOLDER holds one folder per show, each show folder\n"
    "one folder per season (\"1\", \"01\", \"Season 1\", \"2 (2006)\"), each season folder\n"
    "the episodes, named by the episode number, a blank and the title\n"
    "(\"01 Pilot.m4v\"). Every MP4, M4V and MOV file there is added to the playlist\n"
    "\"Movies\" and labelled as an episode of its show: show, season and episode\n"
    "number, episode ID, name, sort name and video kind TV show. Files and folders at\n"
    "any other level are ignored.\n"
    "\n"
    "The program's start-up checks run first; they need the library installed:\n"
    "  vexo library install\n"
    "Progress goes to stderr, one line per file handed to the library, and a note\n"
    "under a file that was not labelled (not real video, or the import was stopped):\n"
    "  [3] The Show - season 1, episode 3: Title\n"
    "and the last line on stdout is the program's report, \"N files added.\" (N counts\n"
    "the files labelled). A FOLDER without any subfolder imports nothing and prints no\n"
    "report.\n"
    "\n"
    "Ctrl+C stops the import as a confirmed Cancel does: the file in work is finished\n"
    "or left unlabelled, what was labelled stays, and the report is still printed.\n"
    "\n"
    "--dry-run  walks FOLDER the same way but adds nothing and needs no library: it\n"
    "           prints a line per file the import would add and per season folder or\n"
    "           file it would pass over, with the reason, then a summary line:\n"
    "  add  The Show/Season 1/03 Title.mp4 -> The Show - season 1, episode 3: Title\n"
    "  skip The Show/Specials/: season folder skipped: no number at the start\n"
    "  skip The Show/Season 1/Pilot.mp4: no number at the start\n"
    "           The other reasons: no blank after the number, not an MP4, M4V or MOV\n"
    "           file, number out of range. The names decide; whether the library takes\n"
    "           a file (real MPEG-4 or QuickTime video) shows only in a real import.\n"
    "\n"
    "Exit status: 0 when the import ran (also when it was stopped), 1 when a start-up\n"
    "check failed, the library could not be reached or FOLDER is no folder, 2 on a\n"
    "usage error.\n";

using RegistryGetter = std::function<registry::RegistryApi&()>;

int UsageError(std::ostream& err, std::string_view problem) {
    err << "vexo import: " << problem << "\n" << kUsage;
    return kExitUsage;
}

std::string Plural(std::int32_t count, std::string_view noun) {
    return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

// The folder as the library will keep its files' paths: absolute, and without "." or doubled
// separators where that still names the same folder. Empty, with the reason told, when it is
// no folder.
std::string ChosenFolder(std::string_view argument, std::ostream& err) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path absolute = fs::absolute(fs::path(argument), error);
    if (error || !fs::is_directory(absolute, error)) {
        err << "vexo import: " << Printable(argument)
            << (fs::exists(absolute, error) ? " is not a folder\n" : ": no such folder\n");
        return {};
    }
    const fs::path normal = absolute.lexically_normal();
    std::string folder =
        fs::equivalent(absolute, normal, error) ? normal.string() : absolute.string();
    // As the folder chooser's answer loses its separator: the file-system root keeps it.
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string RelativePath(const importer::PreviewEntry& entry) {
    std::string path = entry.show.onDisk + "/" + entry.seasonFolder.onDisk + "/";
    return Printable(path + entry.fileNameOnDisk);
}

void PrintPreviewEntry(const importer::PreviewEntry& entry, std::ostream& out) {
    switch (entry.kind) {
        case importer::PreviewKind::kEpisode:
            out << "add  " << RelativePath(entry) << " -> "
                << EpisodeLine(entry.show.name, std::to_string(entry.season),
                               std::to_string(entry.episode.number), entry.episode.title)
                << '\n';
            return;
        case importer::PreviewKind::kSkippedSeasonFolder:
            out << "skip " << RelativePath(entry)
                << ": season folder skipped: " << importer::SkipReasonText(entry.reason) << '\n';
            return;
        case importer::PreviewKind::kSkippedFile:
            out << "skip " << RelativePath(entry) << ": " << importer::SkipReasonText(entry.reason)
                << '\n';
            return;
    }
}

int DryRun(const std::string& root, std::ostream& out, std::ostream& err) {
    const importer::PreviewTotals totals = importer::PreviewImport(
        root, [&out](const importer::PreviewEntry& entry) { PrintPreviewEntry(entry, out); });
    out << Plural(totals.episodes, "file") << " would be added; "
        << Plural(totals.skippedSeasonFolders, "season folder") << " and "
        << Plural(totals.skippedFiles, "file") << " skipped.\n";
    if (!totals.rootHasSubfolders) {
        err << "vexo import: " << Printable(root)
            << " has no subfolders (one per show): an import would add nothing and report "
               "nothing\n";
    }
    return kExitOk;
}

int Import(const std::string& root, registry::RegistryApi& api, std::ostream& out,
           std::ostream& err, std::function<void(const ConsoleView&)> onYield) {
    forms::StartupServices services = forms::SystemStartupServices();
    services.registry = &api;
    ConsoleView view(root, out, err);
    view.SetYieldHook(std::move(onYield));
    forms::frmMain form(view, std::move(services));
    view.Attach(form);

    const InterruptGuard interrupts;
    form.Form_Load();
    if (view.Ended() || view.Failed()) {
        err << "vexo import: the start-up checks failed; \"vexo library install\" installs the "
               "embedded media library\n";
        return kExitFailed;
    }
    form.cmdImport_Click();
    if (view.Ended() || view.Failed()) {
        return kExitFailed;
    }
    if (!view.Reported()) {
        err << "vexo import: " << Printable(root)
            << " has no subfolders (one per show): nothing was imported\n";
    }
    return kExitOk;
}

int RunWith(Arguments args, const RegistryGetter& registry, std::ostream& out, std::ostream& err,
            std::function<void(const ConsoleView&)> onYield) {
    bool dryRun = false;
    bool optionsEnded = false;
    std::optional<std::string_view> folder;
    for (std::string_view arg : args) {
        if (!optionsEnded && arg == "--dry-run") {
            dryRun = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            return UsageError(err, "unknown option \"" + Printable(arg) + "\"");
        } else if (folder) {
            return UsageError(err, "only one FOLDER can be imported");
        } else {
            folder = arg;
        }
    }
    if (!folder) {
        return UsageError(err, "no FOLDER given");
    }
    // An empty argument would otherwise name the working folder.
    if (folder->empty()) {
        return UsageError(err, "FOLDER is empty");
    }
    const std::string root = ChosenFolder(*folder, err);
    if (root.empty()) {
        return kExitFailed;
    }
    return dryRun ? DryRun(root, out, err) : Import(root, registry(), out, err, std::move(onYield));
}

int RunOnSystem(Arguments args, std::ostream& out, std::ostream& err) {
    return RunWith(args, registry::SystemRegistryApi, out, err, {});
}

}  // namespace

int RunImport(Arguments args, registry::RegistryApi& api, std::ostream& out, std::ostream& err,
              std::function<void(const ConsoleView&)> onYield) {
    return RunWith(
        args, [&api]() -> registry::RegistryApi& { return api; }, out, err, std::move(onYield));
}

Command ImportCommand() {
    return {"import", "import a folder of TV shows into the embedded media library", kUsage,
            RunOnSystem};
}

}  // namespace vexo::cli
