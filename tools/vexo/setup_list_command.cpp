#include "tools/vexo/setup_list_command.h"

#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>

#include "packager/setup/setup_list.h"
#include "tools/vexo/atomic_output.h"
#include "tools/vexo/printable.h"
#include "vexo_version.h"

namespace vexo::cli {

const std::string_view kSetupListUsage =
    "Usage: vexo package setuplist -o OUT --name TEXT --folder FOLDER --program FILE\n"
    "                              [--version VERSION] [--publisher TEXT] [--shortcut NAME]\n"
    "                              FILE=DESTINATION...\n"
    "\n"
    "Writes OUT, the SETUP.LST that a package's setup program installs by: a [Product]\n"
    "section with the options' values, then a [Files] section with one line per FILE,\n"
    "in the order given: the FILE's base name (its entry in the package), DESTINATION,\n"
    "and the FILE's size in bytes as it is now.\n"
    "\n"
    "  --name TEXT        the product's name (\"VEXO(tm) Plumex TV\")\n"
    "  --version VERSION  its version; by default this vexo's own, " VEXO_VERSION_TEXT
    "\n"
    "  --publisher TEXT   who publishes it\n"
    "  --folder FOLDER    its own folder below the platform's programs folder (Windows,\n"
    "                     \"VEXO\\Plumex TV\") or below PREFIX/share (Linux, \"vexo-plumex\")\n"
    "  --program FILE     the program its shortcut or desktop entry starts\n"
    "  --shortcut NAME    the Start menu shortcut's name (Windows), or the desktop\n"
    "                     entry's (Linux: NAME.desktop, a file of the package)\n"
    "\n"
    "A DESTINATION is a folder of the install and a relative path below it: on Windows\n"
    "\"$(AppPath)\\Plumex.exe\", on Linux \"$(Bin)/Plumex\", \"$(Data)/icons/...\" or\n"
    "\"$(AppPath)/LICENSE.txt\". FILE is split from it at its first \"=\". The list is\n"
    "read back as the setup programs read it before OUT is written, and refused, with\n"
    "the reason, when they would refuse it.\n"
    "\n"
    "OUT appears complete or not at all, as vexo package create writes a package.\n"
    "\n"
    "Exit status: 0 when OUT was written, 1 when a FILE cannot be read, the list is\n"
    "refused or writing failed (one line on stderr says why), 2 on a usage error.\n";

namespace {

int Refuse(std::ostream& err, std::string_view reason) {
    err << "vexo package: " << reason << '\n';
    return kExitFailed;
}

}  // namespace

int RunSetupList(Arguments args, std::ostream& out, std::ostream& err) {
    setup::SetupList list;
    list.version = VEXO_VERSION_TEXT;
    std::optional<std::string_view> output;
    const std::map<std::string_view, std::string*> fields = {
        {"--name", &list.name},     {"--version", &list.version}, {"--publisher", &list.publisher},
        {"--folder", &list.folder}, {"--program", &list.program}, {"--shortcut", &list.shortcut}};
    std::map<std::string_view, bool> given;
    std::vector<std::string_view> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.front() != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const bool isOutput = arg == "-o" || arg == "--output";
        const auto field = fields.find(arg);
        if (!isOutput && field == fields.end()) {
            return UsageError(err, "package", "unknown option \"" + std::string(arg) + "\"",
                              kSetupListUsage);
        }
        if (i + 1 == args.size()) {
            return UsageError(err, "package", std::string(arg) + " needs a value", kSetupListUsage);
        }
        if (given[isOutput ? "-o" : arg]) {
            return UsageError(err, "package", std::string(arg) + " is given twice",
                              kSetupListUsage);
        }
        given[isOutput ? "-o" : arg] = true;
        if (isOutput) {
            output = args[++i];
        } else {
            *field->second = args[++i];
        }
    }
    for (const std::string_view needed : {"-o", "--name", "--folder", "--program"}) {
        if (!given[needed]) {
            return UsageError(err, "package", std::string(needed) + " is not given",
                              kSetupListUsage);
        }
    }
    if (files.empty()) {
        return UsageError(err, "package", "no FILE=DESTINATION given", kSetupListUsage);
    }
    for (const std::string_view file : files) {
        const std::size_t equals = file.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            return UsageError(err, "package",
                              "\"" + std::string(file) + "\" is not FILE=DESTINATION",
                              kSetupListUsage);
        }
        const std::filesystem::path path(file.substr(0, equals));
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (error) {
            return Refuse(err, Printable(path.string()) + ": cannot be read: " + error.message());
        }
        list.files.push_back(
            {path.filename().string(), std::string(file.substr(equals + 1)), size});
    }
    const std::string text = setup::FormatSetupList(list);
    const setup::SetupListRead readBack = setup::ParseSetupList(text);
    if (!readBack.list) {
        return Refuse(err, "the list would be refused: " + Printable(readBack.error));
    }
    if (*readBack.list != list) {
        return Refuse(err,
                      "the list would not read back as given (a value with a line break, "
                      "or blanks around it)");
    }

    AtomicOutput written{std::filesystem::path(*output)};
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    using std::filesystem::perms;
    if (!written.Open() || !written.Write(bytes) ||
        !written.Commit(perms::owner_read | perms::owner_write | perms::group_read |
                        perms::others_read)) {
        return Refuse(err,
                      Printable(written.Error()) + "; " + Printable(*output) + " is unchanged");
    }
    out << Printable(*output) << ": " << list.files.size()
        << (list.files.size() == 1 ? " file\n" : " files\n");
    return kExitOk;
}

}  // namespace vexo::cli
