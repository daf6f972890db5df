#include <ostream>

#include "tools/vexo/command.h"
#include "vexo_version.h"

namespace vexo::cli {
namespace {

void PrintToolHelp(std::ostream& out) {
    out << "Usage: vexo COMMAND [ARGUMENTS]\n"
           "       vexo COMMAND --help\n"
           "\n"
           "The developer tool of VEXO(tm) Plumex TV.\n"
           "\n"
           "Commands:\n";
    for (const Command& command : Commands()) {
        out << "  " << command.name;
        for (std::size_t pad = command.name.size(); pad < 12; ++pad) {
            out << ' ';
        }
        out << command.summary << '\n';
    }
}

}  // namespace

bool WantsHelp(Arguments args) {
    if (args.empty()) {
        return false;
    }
    const std::string_view first = args.front();
    return first == "--help" || first == "-h" || first == "/?";
}

int RunTool(Arguments args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        PrintToolHelp(err);
        return kExitUsage;
    }
    const std::string_view name = args.front();
    if (name == "--help" || name == "-h" || name == "help") {
        PrintToolHelp(out);
        return kExitOk;
    }
    if (name == "--version") {
        out << "vexo " VEXO_VERSION_TEXT "\n";
        return kExitOk;
    }
    for (const Command& command : Commands()) {
        if (command.name == name) {
            const Arguments rest = args.subspan(1);
            if (WantsHelp(rest)) {
                out << command.usage;
                return kExitOk;
            }
            return command.run(rest, out, err);
        }
    }
    err << "vexo: unknown command '" << name << "' (see vexo --help)\n";
    return kExitUsage;
}

int UsageError(std::ostream& err, std::string_view command, std::string_view problem,
               std::string_view usage) {
    err << "vexo " << command << ": " << problem << "\n" << usage;
    return kExitUsage;
}

}  // namespace vexo::cli
