#include "tools/vexo/crc_command.h"

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>

#include "common/file_byte_source.h"
#include "packager/format/check_value.h"
#include "tools/vexo/printable.h"

namespace vexo::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: vexo crc FILE...\n"
    "\n"
    "Prints each FILE's CRC-32/BZIP2 - the check value that guards every entry of a\n"
    "VEXOSetup package - as 8 upper-case hex digits, two blanks and the name, one\n"
    "line per FILE in the order given (like the *sum tools). FILE is read in blocks\n"
    "up to its end, so its size does not matter. A file holding \"123456789\" gives\n"
    "FC891918, an empty file 00000000.\n"
    "\n"
    "A FILE that cannot be read gives a line on stderr; the others are still printed.\n"
    "\n"
    "Exit status: 0 when every FILE was read, 1 when one could not be, 2 on a usage\n"
    "error.\n";

constexpr std::size_t kBlockBytes = 64 * 1024;

// The file's check value, or std::nullopt with the reason it could not be read.
std::optional<std::uint32_t> FileCheckValue(std::string_view path, std::string& error) {
    const std::unique_ptr<common::FileByteSource> source =
        common::FileByteSource::Open(path, &error);
    if (source == nullptr) {
        return std::nullopt;
    }
    std::array<std::uint8_t, kBlockBytes> block{};
    packager::format::CheckValue check;
    for (std::uint64_t offset = 0;; offset += block.size()) {
        const std::optional<std::size_t> n = source->ReadUpTo(offset, block);
        if (!n) {
            error = "a read failed before the end of the file";
            return std::nullopt;
        }
        check.Update(std::span<const std::uint8_t>(block.data(), *n));
        if (*n < block.size()) {
            return check.Finish();
        }
    }
}

int RunCrc(Arguments args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << "vexo crc: no FILE given (see vexo crc --help)\n";
        return kExitUsage;
    }
    int status = kExitOk;
    for (const std::string_view path : args) {
        std::string error;
        const std::optional<std::uint32_t> value = FileCheckValue(path, error);
        if (!value) {
            // The lines before it appear first when both streams share a terminal.
            out.flush();
            err << "vexo crc: " << Printable(path) << ": " << error << '\n';
            status = kExitFailed;
            continue;
        }
        out << HexCheckValue(*value) << "  " << Printable(path) << '\n';
    }
    return status;
}

}  // namespace

std::string HexCheckValue(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

Command CrcCommand() {
    return {"crc", "print the CRC-32/BZIP2 check value of files", kUsage, RunCrc};
}

}  // namespace vexo::cli
