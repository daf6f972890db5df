// The subcommands of the vexo tool. Each command reads its own arguments and writes to the
// streams it is given, so that it can be run from a test as well as from main().
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace vexo::cli {

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

using Arguments = std::span<const std::string_view>;

struct Command {
    std::string_view name;
    std::string_view summary;  // one line for the tool's --help
    std::string_view usage;    // the command's own --help text
    int (*run)(Arguments args, std::ostream& out, std::ostream& err);
};

// Every command, in the order the tool's --help lists them.
std::span<const Command> Commands();

// Runs the tool: args are the arguments after the program name.
int RunTool(Arguments args, std::ostream& out, std::ostream& err);

// True when a command's arguments ask for its help: "--help", "-h" or "/?" first. Only the
// first argument counts, so that a later one can be data ("vexo reg add KEY /d -h").
bool WantsHelp(Arguments args);

// Reports a usage error of a command ("vexo NAME: problem", then its usage) and gives
// kExitUsage.
int UsageError(std::ostream& err, std::string_view command, std::string_view problem,
               std::string_view usage);

// Runs the subcommand that args name first, out of table (entries with a name and a usage):
// its --help prints its usage, else run(subcommand, rest of args) runs it. A missing or
// unknown subcommand is a usage error of command.
template <typename Table, typename Run>
int RunSubcommand(Arguments args, const Table& table, std::string_view command,
                  std::string_view usage, std::ostream& out, std::ostream& err, Run&& run) {
    if (args.empty()) {
        return UsageError(err, command, "no subcommand given", usage);
    }
    for (const auto& subcommand : table) {
        if (subcommand.name == args.front()) {
            const Arguments rest = args.subspan(1);
            if (WantsHelp(rest)) {
                out << subcommand.usage;
                return kExitOk;
            }
            return run(subcommand, rest);
        }
    }
    return UsageError(err, command, "unknown subcommand \"" + std::string(args.front()) + "\"",
                      usage);
}

}  // namespace vexo::cli
