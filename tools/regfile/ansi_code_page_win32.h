// The registry's 8-bit texts on Windows: advapi32's A functions convert them with the system's
// ANSI code page, so .reg files must too.
#pragma once

#include <string>
#include <string_view>

namespace regfile {

std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);

}  // namespace regfile
