#include "tools/vexo/command.h"
#ifdef VEXO_HAS_MEDIA_LIBRARY
#include "tools/vexo/import_command.h"
#endif
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
        ImportCommand(),
#endif
    };
    return commands;
}

}  // namespace vexo::cli
