// The subcommands of the vexo tool. Each command reads its own arguments and writes to the
// streams it is given, so that it can be run from a test as well as from main().
#pragma once

#include <iosfwd>
#include <span>
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

}  // namespace vexo::cli
