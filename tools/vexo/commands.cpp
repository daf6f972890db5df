#include "tools/vexo/command.h"
#include "tools/vexo/crc_command.h"
#ifdef VEXO_HAS_PACKAGE_WRITER
#include "tools/vexo/package_command.h"
#endif
#ifdef VEXO_HAS_MEDIA_LIBRARY
#include "tools/vexo/import_command.h"
#endif
#include "tools/vexo/library_command.h"
#include "tools/vexo/reg_command.h"
#include "tools/vexo/verinfo_command.h"

namespace vexo::cli {

std::span<const Command> Commands() {
    // One command per line; the formatter would pack the lines between the #ifdefs.
    // clang-format off
    static const Command commands[] = {
        VerinfoCommand(),
        RegCommand(),
#ifdef VEXO_HAS_MEDIA_LIBRARY
        LibraryCommand(),
        ImportCommand(),
#endif
#ifdef VEXO_HAS_PACKAGE_WRITER
        PackageCommand(),
#endif
        CrcCommand(),
    };
    // clang-format on
    return commands;
}

}  // namespace vexo::cli
