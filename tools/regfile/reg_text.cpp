#include "tools/regfile/reg_text.h"

#include "common/byte_order.h"
#include "common/utf16.h"
#include "importer/registry/registry_api.h"
#ifdef _WIN32
#include "tools/regfile/ansi_code_page_win32.h"
#endif

namespace regfile {
namespace {

// A byte that is no part of well-formed UTF-8 travels as this plus the byte.
constexpr char16_t kByteEscape = 0xDC00;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The code point of the UTF-8 sequence at text[position], and its length; length 0 when the
// bytes there are no well-formed sequence.
std::pair<char32_t, std::size_t> DecodeAt(std::string_view text, std::size_t position) {
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80) {
        return {lead, 1};
    }
    struct Form {
        unsigned char mask;
        unsigned char pattern;
        std::size_t length;
        char32_t smallest;  // anything below would be an overlong form
    };
    static constexpr Form kForms[] = {
        {0xE0, 0xC0, 2, 0x80}, {0xF0, 0xE0, 3, 0x800}, {0xF8, 0xF0, 4, 0x10000}};
    const Form* form = nullptr;
    for (const Form& candidate : kForms) {
        if ((lead & candidate.mask) == candidate.pattern) {
            form = &candidate;
        }
    }
    if (form == nullptr) {
        return {0, 0};
    }
    const std::size_t length = form->length;
    char32_t code = lead & static_cast<unsigned char>(~form->mask);
    if (text.size() - position < length) {
        return {0, 0};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[position + i]);
        if (!IsContinuation(byte)) {
            return {0, 0};
        }
        code = (code << 6) | (byte & 0x3F);
    }
    if (code < form->smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {0, 0};
    }
    return {code, length};
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t position = 0; position < text.size();) {
        const auto [code, length] = DecodeAt(text, position);
        if (length == 0) {
            out += static_cast<char16_t>(kByteEscape + static_cast<unsigned char>(text[position]));
            ++position;
            continue;
        }
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        position += length;
    }
    return out;
}

// The units that stand for bytes go back to them; every run between them converts as any
// UTF-16 text does (common/utf16.h). A low surrogate right after a high one is half of a pair,
// not a byte.
std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool byte = i < text.size() && text[i] >= kByteEscape + 0x80 &&
                          text[i] <= kByteEscape + 0xFF &&
                          (i == 0 || !IsHighSurrogate(text[i - 1]));
        if (i == text.size() || byte) {
            out += common::Utf16LeToUtf8(Utf16LeBytes(text.substr(start, i - start)));
            if (byte) {
                out += static_cast<char>(text[i] - kByteEscape);
            }
            start = i + 1;
        }
    }
    return out;
}

bool UsesAnsiCodePage([[maybe_unused]] NarrowText narrow) {
#ifdef _WIN32
    return narrow == NarrowText::System;
#else
    return false;
#endif
}

}  // namespace

bool IsTextType(std::uint32_t type) {
    return type == registry::kRegSz || type == registry::kRegExpandSz ||
           type == registry::kRegMultiSz;
}

std::u16string NarrowToUtf16(std::string_view text, [[maybe_unused]] NarrowText narrow) {
#ifdef _WIN32
    if (UsesAnsiCodePage(narrow)) {
        return AnsiToUtf16(text);
    }
#endif
    return Utf8ToUtf16(text);
}

std::string Utf16ToNarrow(std::u16string_view text, [[maybe_unused]] NarrowText narrow) {
#ifdef _WIN32
    if (UsesAnsiCodePage(narrow)) {
        return Utf16ToAnsi(text);
    }
#endif
    return Utf16ToUtf8(text);
}

bool IsPlainText(std::string_view text, NarrowText narrow) {
    const std::u16string wide = NarrowToUtf16(text, narrow);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(wide[i]) || IsLowSurrogate(wide[i])) {
            return false;
        }
    }
    return UsesAnsiCodePage(narrow) ? Utf16ToNarrow(wide, narrow) == text : true;
}

std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        const auto le = common::Le16Bytes(unit);
        bytes.insert(bytes.end(), le.begin(), le.end());
    }
    return bytes;
}

std::u16string Utf16FromLeBytes(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(common::LoadLe16(bytes, i));
    }
    return text;
}

}  // namespace regfile
