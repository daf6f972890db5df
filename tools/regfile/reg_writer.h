// Writes .reg files as reg.exe and regedit export them: UTF-16LE with its byte order mark, CRLF
// line ends, the version 5 header, each key section followed by a blank line, REG_SZ texts in
// quotes (\\, \", \r and \n escaped), REG_DWORD as dword:, and every other value as hex bytes,
// wrapped as reg.exe wraps them: a "\" ends each line that continues once it holds 77
// characters or more, counted in UTF-16 units. The hex forms of the text types carry UTF-16LE.
//
// Reading a written document gives it back, byte for byte, where reg.exe's form would not: a
// REG_SZ that quotes cannot carry exactly (one without its single terminating NUL, or one whose
// text is not plain in its 8-bit encoding, see IsPlainText) is written as hex(1):, and a
// REG_DWORD of other than four bytes as hex(4):. Names that are not plain hold, in UTF-16, the
// unpaired surrogates of NarrowText::Utf8. Value names holding NUL are written with the escape
// \0, which the reader takes but regedit does not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/regfile/reg_document.h"
#include "tools/regfile/reg_text.h"

namespace regfile {

struct FormatOutcome {
    std::optional<std::vector<std::uint8_t>> bytes;  // the file; std::nullopt when it cannot be
    std::string problem;                             // written, and why
};

// Fails for a section whose hive has no name (see HiveName) or whose key name holds NUL, CR or
// LF, none of which a .reg file can express. narrow is the encoding of the document's texts.
FormatOutcome FormatRegFile(const RegDocument& document, NarrowText narrow = NarrowText::Utf8);

}  // namespace regfile
