#include "tools/regfile/reg_text.h"

#include "common/byte_order.h"
#include "common/utf16.h"
#include "importer/registry/registry_api.h"

namespace regfile {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

void AppendUnit(std::vector<std::uint8_t>& out, char32_t unit) {
    const auto bytes = common::Le16Bytes(static_cast<std::uint16_t>(unit));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
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

}  // namespace

bool IsTextType(std::uint32_t type) {
    return type == registry::kRegSz || type == registry::kRegExpandSz ||
           type == registry::kRegMultiSz;
}

std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    std::size_t position = 0;
    while (position < text.size()) {
        auto [code, length] = DecodeAt(text, position);
        if (length == 0) {
            code = kReplacementCharacter;
            length = 1;
        }
        if (code >= 0x10000) {
            AppendUnit(out, 0xD800 + ((code - 0x10000) >> 10));
            AppendUnit(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            AppendUnit(out, code);
        }
        position += length;
    }
    return out;
}

std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes) {
    return common::Utf16LeToUtf8(bytes);
}

}  // namespace regfile
