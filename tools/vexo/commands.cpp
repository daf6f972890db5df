#include "tools/vexo/command.h"
#include "tools/vexo/library_command.h"
#include "tools/vexo/reg_command.h"
#include "tools/vexo/verinfo_command.h"

namespace vexo::cli {

std::span<const Command> Commands() {
    static const Command commands[] = {
        VerinfoCommand(),
        RegCommand(),
#ifdef VEXO_HAS_MEDIA_LIBRARY
        LibraryCommand(),
#endif
    };
    return commands;
}

}  // namespace vexo::cli
