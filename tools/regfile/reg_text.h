// Texts inside .reg files. The registry's texts are UTF-8 in this program; regedit writes the
// hex forms of text values (hex(1), hex(2), hex(7)) and whole files in UTF-16LE.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace regfile {

// True for the types whose data are text: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ.
bool IsTextType(std::uint32_t type);

// UTF-8 to UTF-16LE bytes; NUL characters are kept. A byte that starts no valid UTF-8 sequence
// (an overlong form, a surrogate, a value beyond U+10FFFF, a cut-off sequence) becomes U+FFFD.
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text);

// UTF-16LE bytes to UTF-8, as basFiles converts version-resource texts.
std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes);

}  // namespace regfile
