#include "tools/vexo/command.h"
#include "tools/vexo/verinfo_command.h"

namespace vexo::cli {

std::span<const Command> Commands() {
    static const Command commands[] = {
        VerinfoCommand(),
    };
    return commands;
}

}  // namespace vexo::cli
