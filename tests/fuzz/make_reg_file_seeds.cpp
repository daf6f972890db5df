// Writes the seed corpus of fuzz_reg_file into the folder named by its argument: .reg files of
// the shapes the reader meets - written by our writer in UTF-16LE with its byte order mark as
// reg.exe saves them, and 8-bit by hand in the older and odder forms.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/fuzz/seed_corpus.h"
#include "tools/regfile/reg_writer.h"

namespace {

using namespace std::string_literals;
using namespace regfile;

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> WrittenDocument() {
    const RegDocument document{{
        {registry::kHkeyLocalMachine,
         "SOFTWARE\\Apple Computer, Inc.\\iTunes",
         false,
         {{"ProgramFolder", false, registry::kRegSz, Bytes("C:\\Program Files\\iTunes\\\0"s)},
          {"", false, registry::kRegSz, Bytes("default\0"s)},
          {"Count", false, registry::kRegDword, Bytes("\x2a\0\0\0"s)},
          {"Bytes", false, registry::kRegBinary, Bytes(std::string(90, '\xab'))},
          {"Path", false, registry::kRegExpandSz, Bytes("%ProgramFiles%\\Caf\xc3\xa9\0"s)},
          {"List", false, registry::kRegMultiSz, Bytes("a\0b\0\0"s)},
          {"Lines", false, registry::kRegSz, Bytes("1\r\n2\0"s)},
          {"Not UTF-8 \xff", false, registry::kRegExpandSz, Bytes("\xe9t\xe9\0"s)},
          {"Quad", false, 11, Bytes("\1\0\0\0\0\0\0\0"s)},
          {"Old", true, registry::kRegNone, {}}}},
        {registry::kHkeyCurrentUser, "Software\\Vexo\\Window", false, {}},
        {registry::kHkeyCurrentUser, "Software\\Old", true, {}},
    }};
    return FormatRegFile(document).bytes.value_or(std::vector<std::uint8_t>{});
}

constexpr std::string_view kHandWritten =
    "Windows Registry Editor Version 5.00\n"
    "; comment\n"
    "  [HKEY_CURRENT_USER\\Software\\Vexo]\n"
    "\"Long\"=hex:01,02,\\\n"
    "\n"
    "   03,04, ; more\n"
    "\"n\" = dword:1 ; one\n"
    "\"\"=\"empty name\"\n"
    "\"esc \\\"\\\\\"=\"1\\n2\\r3\\0\"\n"
    "@=-\n"
    "[HKCU\\Software\\Short]\n";

constexpr std::string_view kRegedit4 =
    "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.mp4]\r\n@=\"QuickTime.mp4\"\r\n"
    "\"Path\"=hex(2):25,41,25,00\r\n\"Multi\"=hex(7):61,00,62,00,00\r\n";

}  // namespace

int main(int argc, char** argv) {
    const auto folder = vexo::fuzz::SeedFolder(argc, argv);
    if (!folder) {
        return 2;
    }

    const vexo::fuzz::Seeds seeds = {
        {"written_utf16.reg", WrittenDocument()},
        {"hand_written.reg", Bytes(kHandWritten)},
        {"regedit4.reg", Bytes(kRegedit4)},
        {"utf8_bom.reg", Bytes("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                               "[-HKEY_USERS\\.DEFAULT\\Gone]\r\n"s)},
    };
    return vexo::fuzz::WriteSeeds(*folder, seeds) ? 0 : 1;
}
