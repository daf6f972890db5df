// The program's texts are in the system's ANSI code page; automation speaks UTF-16 BSTRs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/win32/scoped_win.h"

namespace itunes::com {

using common::win32::Bstr;

// Empty when the text cannot be converted or no memory is left.
std::optional<Bstr> BstrFromAnsi(std::string_view text);
// Characters the code page lacks become its default character ("?"), which no path holds.
std::optional<std::string> AnsiFromBstr(BSTR text);

}  // namespace itunes::com
