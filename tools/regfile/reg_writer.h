// Writes .reg files as the Windows registry editor exports them: the version 5 header, each
// key section followed by a blank line, CRLF line ends, REG_SZ texts in quotes, REG_DWORD as
// dword:, and every other value as hex bytes wrapped before the 80th column with "\" at the end
// of each line that continues. The file is UTF-8 (regedit writes UTF-16LE; the reader takes
// both); the hex forms of text values carry UTF-16LE as regedit's do.
//
// Reading a written document gives it back: a REG_SZ that quotes cannot carry exactly (one
// without its single terminating NUL, or holding CR or LF) is written as hex(1):. Text values
// whose bytes are not valid UTF-8 are the exception: the conversion to UTF-16LE replaces each
// bad byte by U+FFFD. Value names holding NUL, CR or LF are written with the escapes \0, \r
// and \n, which the reader takes but regedit does not.
#pragma once

#include <optional>
#include <string>

#include "tools/regfile/reg_document.h"

namespace regfile {

struct FormatOutcome {
    std::optional<std::string> text;  // std::nullopt when the document cannot be written
    std::string problem;
};

// Fails for a section whose hive has no name (see HiveName) or whose key name holds NUL, CR or
// LF, none of which a .reg file can express.
FormatOutcome FormatRegFile(const RegDocument& document);

}  // namespace regfile
