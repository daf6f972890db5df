#include "tools/vexo/verinfo_command.h"
#include "tools/vexo/printable.h"

#include <cstdio>
#include <ostream>
#include <string>

#include "importer/files/version_info.h"

namespace vexo::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: vexo verinfo FILE\n"
    "\n"
    "Prints the version record of FILE (a Windows executable or library), one\n"
    "Field=value line per field in the record's order: the twelve texts of the\n"
    "version resource and the four numbers of the file and product versions.\n"
    "Control characters in a text are shown as \\xNN, so that every field stays\n"
    "on one line.\n"
    "\n"
    "Exit status: 0 when the record was read, 1 when FILE has no readable\n"
    "version data, 2 on a usage error.\n";

int RunVerinfo(Arguments args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "vexo verinfo: expected exactly one FILE (see vexo verinfo --help)\n";
        return kExitUsage;
    }
    const std::string_view path = args.front();
    basFiles::FileVersionRecord record;
    if (!basFiles::ReadFileVersionInfo(path, record)) {
        err << "vexo verinfo: " << path << ": no readable version information\n";
        return kExitFailed;
    }
    for (const auto& [field, value] : basFiles::RecordFields(record)) {
        out << field << '=' << Printable(value) << '\n';
    }
    return kExitOk;
}

}  // namespace

Command VerinfoCommand() {
    return {"verinfo", "print the version record of a Windows executable or library", kUsage,
            RunVerinfo};
}

}  // namespace vexo::cli
