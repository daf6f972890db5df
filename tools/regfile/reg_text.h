// Texts inside .reg files. The registry functions this program calls take and give 8-bit texts
// (names, and the data of REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ); .reg files as regedit and
// reg.exe write them carry UTF-16LE.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace regfile {

// The 8-bit encoding of the registry's texts.
enum class NarrowText {
    // UTF-8. A byte that is no part of well-formed UTF-8 (a stray continuation byte, a lead
    // byte without its continuation, an overlong form, a surrogate, anything beyond U+10FFFF)
    // travels in UTF-16 as the unpaired surrogate U+DC00 + byte (U+DC80 to U+DCFF), and such a
    // surrogate comes back as that byte: every 8-bit text survives the way there and back.
    Utf8,
    // What this platform's registry functions use: the ANSI code page on Windows (as advapi32's
    // A functions convert), UTF-8 as above elsewhere (the embedded store).
    System,
};

// True for the types whose data are text: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ.
bool IsTextType(std::uint32_t type);

// An 8-bit text in UTF-16; NUL characters are kept.
std::u16string NarrowToUtf16(std::string_view text, NarrowText narrow);

// UTF-16 in 8 bits; NUL characters are kept. In UTF-8, an unpaired surrogate other than the
// ones NarrowToUtf16 makes becomes U+FFFD; in an ANSI code page, a character it lacks becomes
// the code page's default character, as advapi32 gives it.
std::string Utf16ToNarrow(std::u16string_view text, NarrowText narrow);

// True when the text needs no unpaired surrogate in UTF-16 and comes back unchanged: well-formed
// UTF-8, or a text of the ANSI code page that converts both ways.
bool IsPlainText(std::string_view text, NarrowText narrow);

// UTF-16 code units as little-endian bytes, and back (a final odd byte is dropped).
std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view text);
std::u16string Utf16FromLeBytes(std::span<const std::uint8_t> bytes);

}  // namespace regfile
