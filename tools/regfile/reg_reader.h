// Reads .reg files as the Windows registry editor writes and reads them.
//
//   Windows Registry Editor Version 5.00      (or REGEDIT4, the older 8-bit form)
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Vexo]        a key to create or open
//   "Name"="text"                             REG_SZ; \\ and \" inside quotes (\n, \r, \0 too)
//   @="text"                                  the default value
//   "Count"=dword:0000002a                    REG_DWORD, 1 to 8 hex digits
//   "Bytes"=hex:01,02,ff                      REG_BINARY
//   "Path"=hex(2):25,00,...                   any type by its number in hex; the text types
//                                             carry UTF-16LE (8-bit text in REGEDIT4 files)
//   "Old"=-                                   delete the value
//   [-HKEY_LOCAL_MACHINE\SOFTWARE\Old]        delete the key and everything below it
//
// Hex lists continue on the next line after a "\" at a line's end; lines starting with ";"
// are comments, and a comment may follow a value. Lines end in CRLF or LF. The file is UTF-8
// (with or without its byte order mark) or UTF-16LE with its byte order mark, as regedit
// writes it.
//
// The reader is strict: anything it does not understand is a problem reported with its line,
// and no document is given, so that an import never applies half of a file it misread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/regfile/reg_document.h"

namespace regfile {

struct ParseOutcome {
    std::optional<RegDocument> document;  // std::nullopt when the file was not understood
    std::size_t line = 0;                 // the line of the problem, counted from 1
    std::string problem;                  // what was wrong there
};

// The file's bytes, in any of the encodings above.
ParseOutcome ParseRegFile(std::span<const std::uint8_t> bytes);

// Text already in UTF-8, without a byte order mark.
ParseOutcome ParseRegText(std::string_view text);

}  // namespace regfile
