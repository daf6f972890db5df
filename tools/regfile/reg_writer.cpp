#include "tools/regfile/reg_writer.h"

#include <cstdio>

#include "common/byte_order.h"
#include "tools/regfile/key_path.h"

namespace regfile {
namespace {

constexpr std::u16string_view kEndOfLine = u"\r\n";
// Once a line of hex bytes holds this many characters, reg.exe continues on the next one.
constexpr std::size_t kHexLineWidth = 77;
constexpr std::u16string_view kHexContinuation = u"\\\r\n  ";

// ASCII text, as the file's characters.
std::u16string Wide(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

// Between quotes, as reg.exe escapes names and texts.
std::u16string Quoted(std::u16string_view text) {
    std::u16string quoted = u"\"";
    for (char16_t c : text) {
        switch (c) {
            case u'\\':
                quoted += u"\\\\";
                break;
            case u'"':
                quoted += u"\\\"";
                break;
            case u'\0':
                quoted += u"\\0";
                break;
            case u'\r':
                quoted += u"\\r";
                break;
            case u'\n':
                quoted += u"\\n";
                break;
            default:
                quoted += c;
        }
    }
    return quoted + u"\"";
}

// Exactly one NUL, at the end, and a plain text before it: the quoted form gives these bytes
// back.
bool FitsInQuotes(const std::vector<std::uint8_t>& data, NarrowText narrow) {
    if (data.empty() || data.back() != 0) {
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size() - 1);
    return text.find('\0') == std::string_view::npos && IsPlainText(text, narrow);
}

void AppendHex(std::u16string& out, std::size_t lineStart, std::string_view form,
               const std::vector<std::uint8_t>& bytes) {
    out += Wide(form);
    std::size_t width = out.size() - lineStart;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        out += Wide(digits);
        if (i + 1 == bytes.size()) {
            break;
        }
        out += u',';
        width += 3;
        if (width >= kHexLineWidth) {
            out += kHexContinuation;
            width = 2;
        }
    }
}

void AppendValue(std::u16string& out, const ValueEntry& value, NarrowText narrow) {
    const std::size_t lineStart = out.size();
    out += value.name.empty() ? std::u16string(u"@") : Quoted(NarrowToUtf16(value.name, narrow));
    out += u'=';
    const std::string_view text(reinterpret_cast<const char*>(value.data.data()),
                                value.data.size());
    if (value.remove) {
        out += u'-';
    } else if (value.type == registry::kRegSz && FitsInQuotes(value.data, narrow)) {
        out += Quoted(NarrowToUtf16(text.substr(0, text.size() - 1), narrow));
    } else if (value.type == registry::kRegDword && value.data.size() == 4) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x",
                      static_cast<unsigned>(common::LoadLe32(value.data.data())));
        out += Wide(number);
    } else if (value.type == registry::kRegBinary) {
        AppendHex(out, lineStart, "hex:", value.data);
    } else {
        char form[24];
        std::snprintf(form, sizeof form, "hex(%x):", static_cast<unsigned>(value.type));
        AppendHex(out, lineStart, form,
                  IsTextType(value.type) ? Utf16LeBytes(NarrowToUtf16(text, narrow)) : value.data);
    }
    out += kEndOfLine;
}

}  // namespace

FormatOutcome FormatRegFile(const RegDocument& document, NarrowText narrow) {
    std::u16string out = u"Windows Registry Editor Version 5.00";
    out += kEndOfLine;
    out += kEndOfLine;
    for (const KeySection& section : document.sections) {
        const std::string name = FullKeyName(section.hive, section.subKey);
        if (HiveName(section.hive).empty()) {
            return {std::nullopt, "\"" + name + "\" has no root key that a .reg file can name"};
        }
        if (name.find_first_of(std::string_view("\0\r\n", 3)) != std::string::npos) {
            return {std::nullopt, "the key name \"" + name + "\" holds a NUL or a line break"};
        }
        out += section.remove ? u"[-" : u"[";
        out += NarrowToUtf16(name, narrow);
        out += u']';
        out += kEndOfLine;
        if (!section.remove) {
            for (const ValueEntry& value : section.values) {
                AppendValue(out, value, narrow);
            }
        }
        out += kEndOfLine;
    }
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    const std::vector<std::uint8_t> body = Utf16LeBytes(out);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return {std::move(bytes), {}};
}

}  // namespace regfile
