// Reads .reg files as the Windows registry editor and reg.exe write and read them.
//
//   Windows Registry Editor Version 5.00      (or REGEDIT4, the older header)
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Vexo]        a key to create or open
//   "Name"="text"                             REG_SZ; \\ and \" inside quotes (\n, \r, \0 too)
//   @="text"                                  the default value
//   "Count"=dword:0000002a                    REG_DWORD, 1 to 8 hex digits
//   "Bytes"=hex:01,02,ff                      REG_BINARY
//   "Path"=hex(2):25,00,...                   any type by its number in hex
//   "Old"=-                                   delete the value
//   [-HKEY_LOCAL_MACHINE\SOFTWARE\Old]        delete the key and everything below it
//
// Hex lists continue on the next line after a "\" at a line's end; lines starting with ";"
// are comments, and a comment may follow a value. Lines end in CRLF or LF.
//
// A file is UTF-16LE with its byte order mark, as regedit and reg.exe write it, or 8-bit (a
// UTF-8 byte order mark is skipped), whichever its header. As Wine's regedit reads them, the
// encoding of the file decides how the hex forms of the text types (hex(1), hex(2), hex(7))
// carry their text: UTF-16LE in a UTF-16 file, the registry's 8-bit bytes as they are in an
// 8-bit one. Names and texts of a UTF-16 file become the registry's 8-bit encoding (reg_text.h);
// those of an 8-bit file are taken as they stand.
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
#include "tools/regfile/reg_text.h"

namespace regfile {

struct ParseOutcome {
    std::optional<RegDocument> document;  // std::nullopt when the file was not understood
    std::size_t line = 0;                 // the line of the problem, counted from 1
    std::string problem;                  // what was wrong there
};

// The file's bytes, in either encoding above; narrow is the 8-bit encoding of the document's
// names and texts.
ParseOutcome ParseRegFile(std::span<const std::uint8_t> bytes,
                          NarrowText narrow = NarrowText::Utf8);

// The text of an 8-bit file, without a byte order mark.
ParseOutcome ParseRegText(std::string_view text);

}  // namespace regfile
