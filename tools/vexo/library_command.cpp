#include "tools/vexo/library_command.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>

#include "common/file_byte_source.h"
#include "common/machine_prefix.h"
#include "importer/itunes/library/library_install.h"
#include "importer/itunes/library/media_library.h"
#include "importer/itunes/library/mp4/tag_plan.h"
#include "importer/itunes/library/track_tags.h"
#include "tools/vexo/library_listing.h"
#include "tools/vexo/printable.h"

namespace vexo::cli {
namespace {

using itunes::library::MediaLibrary;

constexpr std::string_view kUsage =
    "Usage: vexo library install [--no-file-tags]\n"
    "       vexo library uninstall\n"
    "       vexo library list [PLAYLIST] [--json]\n"
    "       vexo library add FILE...\n"
    "       vexo library tags FILE...\n"
    "       vexo library file-tags [on|off]\n"
    "       vexo library SUBCOMMAND --help\n"
    "\n"
    "The embedded media library of the machine prefix ($VEXO_PREFIX, else\n"
    "$XDG_DATA_HOME/vexo, else ~/.local/share/vexo), which stands in for the outside\n"
    "media application on Linux.\n"
    "\n"
    "install    installs it as the application's installer would: the registry value\n"
    "           ProgramFolder, the program file and the database\n"
    "uninstall  removes all three again\n"
    "list       prints the tracks of a playlist (\"Movies\" unless named)\n"
    "add        adds files to \"Movies\" and says what became of each\n"
    "tags       prints the episode labels a file carries in its own metadata\n"
    "file-tags  shows or changes whether labels are written into the files\n";

constexpr std::string_view kInstallUsage =
    "Usage: vexo library install [--no-file-tags]\n"
    "\n"
    "Installs the media library into the machine prefix:\n"
    "  - HKEY_LOCAL_MACHINE\\SOFTWARE\\Apple Computer, Inc.\\iTunes, value ProgramFolder\n"
    "    (REG_SZ) \"iTunes\": a folder below %PROGRAMFILES%, where the program looks;\n"
    "  - Program Files/iTunes/iTunes.EXE, a Windows executable whose version resource\n"
    "    gives the automation level the library implements;\n"
    "  - the database, Music/iTunes/iTunes Library.db (kept, with its tracks, when it\n"
    "    exists).\n"
    "Running it again repairs what is missing and changes nothing else. Prints one line\n"
    "per step.\n"
    "\n"
    "Like the application, the library writes the labels an import sets into each\n"
    "file's own metadata, so that other players see them; --no-file-tags turns that\n"
    "off (\"vexo library file-tags\" changes it later).\n"
    "\n"
    "Exit status: 0 when everything is in place, 1 when a step failed.\n";

constexpr std::string_view kUninstallUsage =
    "Usage: vexo library uninstall\n"
    "\n"
    "Removes what install put in place: the registry value ProgramFolder (and its keys\n"
    "when nothing else is left in them), Program Files/iTunes/iTunes.EXE (and the\n"
    "folder when it is empty) and the database with every track. Anything already gone\n"
    "is no error.\n"
    "\n"
    "Exit status: 0 when nothing is left, 1 when something could not be removed.\n";

constexpr std::string_view kListUsage =
    "Usage: vexo library list [PLAYLIST] [--json]\n"
    "\n"
    "Prints the tracks of PLAYLIST (\"Movies\" unless given; \"Library\" holds every\n"
    "track) in playlist order with every property. With --json the output is a JSON\n"
    "array of objects with the keys location, name, show, season_number, episode_id,\n"
    "episode_number, sort_name, video_kind, duration_ms, width, height, codec and\n"
    "file_tags.\n"
    "\n"
    "file_tags says whether the file carries the track's labels in its own metadata,\n"
    "as read from the file now: \"yes\", \"no (WHY)\", or \"-\" for a track never\n"
    "labelled.\n"
    "\n"
    "Exit status: 0 on success, 1 when the library is not installed or there is no\n"
    "such playlist, 2 on a usage error.\n";

constexpr std::string_view kAddUsage =
    "Usage: vexo library add FILE...\n"
    "\n"
    "Adds each FILE to the playlist \"Movies\", one after the other, waiting for each,\n"
    "and prints \"added\" or \"ignored: REASON\" for it. The library keeps a file's path\n"
    "as it is given, so a relative FILE is made absolute first. Only MPEG-4 and\n"
    "QuickTime files with a video stream are added; a file already in the library, or\n"
    "one that is missing or not such media, is ignored and changes nothing.\n"
    "\n"
    "Exit status: 0 when every file was added or ignored (ignoring is the library's\n"
    "normal answer to an unusable file), 1 when the library is not installed or failed\n"
    "on a file, 2 on a usage error.\n";

constexpr std::string_view kTagsUsage =
    "Usage: vexo library tags FILE...\n"
    "\n"
    "Prints the episode labels each MPEG-4 or QuickTime FILE carries in its own\n"
    "metadata list (moov/udta/meta, ilst), as the library reads them: show (tvsh),\n"
    "season_number (tvsn), episode_id (tven), episode_number (tves), name (\\xA9nam),\n"
    "sort_name (sonm) and video_kind (stik, as the library's kind). Labels a file does\n"
    "not carry are left out. The files are only read.\n"
    "\n"
    "Exit status: 0 when every FILE was read, 1 when one could not be, 2 on a usage\n"
    "error.\n";

constexpr std::string_view kFileTagsUsage =
    "Usage: vexo library file-tags [on|off]\n"
    "\n"
    "Without an argument, prints \"on\" or \"off\": whether the library writes the\n"
    "labels an import sets into each file's own metadata. \"on\" or \"off\" changes\n"
    "it. It is on unless turned off; while it is off, labels are kept in the library\n"
    "only and reach the files at the first import after it is turned on again.\n"
    "\n"
    "Exit status: 0 on success, 1 when the library is not installed or cannot be\n"
    "written, 2 on a usage error.\n";

// The registry is reached only by the subcommands that change it, so that listing never
// creates a registry store in the prefix.
using RegistryGetter = std::function<registry::RegistryApi&()>;

struct Subcommand {
    std::string_view name;
    std::string_view usage;
    int (*run)(Arguments args, const RegistryGetter& registry, std::ostream& out,
               std::ostream& err);
};

int UsageError(std::ostream& err, std::string_view problem, std::string_view usage) {
    return cli::UsageError(err, "library", problem, usage);
}

// The installed library; null, with the reason told, when there is none.
std::unique_ptr<MediaLibrary> OpenInstalled(std::ostream& err) {
    const std::string path = common::MediaLibraryPath();
    if (path.empty()) {
        err << "vexo library: no machine prefix can be named (set VEXO_PREFIX)\n";
        return nullptr;
    }
    std::unique_ptr<MediaLibrary> library = MediaLibrary::OpenExisting(path);
    if (library == nullptr) {
        err << "vexo library: the media library is not installed in " << common::MachinePrefix()
            << " (or its database " << path << " cannot be opened); run \"vexo library install\"\n";
    }
    return library;
}

int RunInstall(Arguments args, const RegistryGetter& registry, std::ostream& out,
               std::ostream& err) {
    const bool noFileTags = args.size() == 1 && args.front() == "--no-file-tags";
    if (!args.empty() && !noFileTags) {
        return UsageError(err, "install takes only --no-file-tags", kInstallUsage);
    }
    if (!itunes::library::InstallLibrary(registry(), out, err)) {
        return kExitFailed;
    }
    if (noFileTags) {
        const std::unique_ptr<MediaLibrary> library = OpenInstalled(err);
        if (library == nullptr || !library->SetFileTagsEnabled(false)) {
            err << "vexo library: writing labels into the files could not be turned off\n";
            return kExitFailed;
        }
        out << "labels are not written into the files\n";
    }
    return kExitOk;
}

int RunUninstall(Arguments args, const RegistryGetter& registry, std::ostream& out,
                 std::ostream& err) {
    if (!args.empty()) {
        return UsageError(err, "uninstall takes no arguments", kUninstallUsage);
    }
    return itunes::library::UninstallLibrary(registry(), out, err) ? kExitOk : kExitFailed;
}

int RunList(Arguments args, const RegistryGetter&, std::ostream& out, std::ostream& err) {
    bool json = false;
    std::optional<std::string_view> playlist;
    bool optionsEnded = false;
    for (std::string_view arg : args) {
        if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            return UsageError(err, "unknown option \"" + std::string(arg) + "\"", kListUsage);
        } else if (playlist) {
            return UsageError(err, "only one PLAYLIST can be listed", kListUsage);
        } else {
            playlist = arg;
        }
    }
    const std::string_view name = playlist.value_or(itunes::library::kMoviesPlaylistName);
    const std::unique_ptr<MediaLibrary> library = OpenInstalled(err);
    if (library == nullptr) {
        return kExitFailed;
    }
    const std::optional<std::vector<itunes::library::TrackRecord>> tracks =
        library->ListTracks(name);
    if (!tracks) {
        err << "vexo library: there is no playlist " << JsonString(name)
            << " (or the database cannot be read)\n";
        return kExitFailed;
    }
    std::vector<std::string> fileTags;
    for (const itunes::library::TrackRecord& track : *tracks) {
        fileTags.push_back(itunes::library::FileLabelsState(track));
    }
    out << (json ? TracksAsJson(*tracks, fileTags) : TracksAsText(name, *tracks, fileTags));
    return kExitOk;
}

int RunAdd(Arguments args, const RegistryGetter&, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return UsageError(err, "no FILE given", kAddUsage);
    }
    const std::unique_ptr<MediaLibrary> library = OpenInstalled(err);
    if (library == nullptr) {
        return kExitFailed;
    }
    bool allHandled = true;
    for (std::string_view arg : args) {
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(arg, error);
        const std::string path = error ? std::string(arg) : absolute.string();
        const itunes::library::AddOutcome outcome = library->AddAndWait(path);
        switch (outcome.result) {
            case itunes::library::AddResult::kAdded:
                out << path << ": added\n";
                break;
            case itunes::library::AddResult::kIgnored:
                out << path << ": ignored: " << outcome.reason << "\n";
                break;
            case itunes::library::AddResult::kFailed:
                err << path << ": failed: " << outcome.reason << "\n";
                allHandled = false;
                break;
        }
    }
    return allHandled ? kExitOk : kExitFailed;
}

int RunTags(Arguments args, const RegistryGetter&, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return UsageError(err, "no FILE given", kTagsUsage);
    }
    bool allRead = true;
    for (std::string_view arg : args) {
        const std::string path(arg);
        std::string error;
        const std::unique_ptr<common::FileByteSource> file =
            common::FileByteSource::Open(path, &error);
        itunes::library::mp4::TagsRead read;
        if (file == nullptr) {
            read.reason = error;
        } else {
            read = itunes::library::mp4::ReadEpisodeTags(*file);
        }
        if (!read.tags) {
            err << Printable(path) << ": " << read.reason << "\n";
            allRead = false;
            continue;
        }
        out << Printable(path) << "\n" << EpisodeTagsAsText(*read.tags);
    }
    return allRead ? kExitOk : kExitFailed;
}

int RunFileTags(Arguments args, const RegistryGetter&, std::ostream& out, std::ostream& err) {
    std::optional<bool> wanted;
    if (args.size() == 1 && (args.front() == "on" || args.front() == "off")) {
        wanted = args.front() == "on";
    } else if (!args.empty()) {
        return UsageError(err, "file-tags takes on or off", kFileTagsUsage);
    }
    const std::unique_ptr<MediaLibrary> library = OpenInstalled(err);
    if (library == nullptr) {
        return kExitFailed;
    }
    if (wanted && !library->SetFileTagsEnabled(*wanted)) {
        err << "vexo library: the setting could not be written\n";
        return kExitFailed;
    }
    const std::optional<bool> enabled = library->FileTagsEnabled();
    if (!enabled) {
        err << "vexo library: the setting could not be read\n";
        return kExitFailed;
    }
    out << (*enabled ? "on" : "off") << "\n";
    return kExitOk;
}

constexpr Subcommand kSubcommands[] = {
    {"install", kInstallUsage, RunInstall}, {"uninstall", kUninstallUsage, RunUninstall},
    {"list", kListUsage, RunList},          {"add", kAddUsage, RunAdd},
    {"tags", kTagsUsage, RunTags},          {"file-tags", kFileTagsUsage, RunFileTags}};

int RunWith(Arguments args, const RegistryGetter& registry, std::ostream& out, std::ostream& err) {
    return RunSubcommand(args, kSubcommands, "library", kUsage, out, err,
                         [&](const Subcommand& subcommand, Arguments rest) {
                             return subcommand.run(rest, registry, out, err);
                         });
}

int RunOnSystem(Arguments args, std::ostream& out, std::ostream& err) {
    return RunWith(args, registry::SystemRegistryApi, out, err);
}

}  // namespace

int RunLibrary(Arguments args, registry::RegistryApi& api, std::ostream& out, std::ostream& err) {
    return RunWith(
        args, [&api]() -> registry::RegistryApi& { return api; }, out, err);
}

Command LibraryCommand() {
    return {"library", "install, list and fill the embedded media library", kUsage, RunOnSystem};
}

}  // namespace vexo::cli
