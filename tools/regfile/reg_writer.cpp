#include "tools/regfile/reg_writer.h"

#include <cstdio>

#include "common/byte_order.h"
#include "tools/regfile/key_path.h"
#include "tools/regfile/reg_text.h"

namespace regfile {
namespace {

constexpr std::string_view kEndOfLine = "\r\n";
// Once a line of hex bytes reaches this many characters, regedit continues on the next one.
constexpr std::size_t kHexLineWidth = 77;
constexpr std::string_view kHexContinuation = "\\\r\n  ";

std::string QuotedName(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        switch (c) {
            case '\\':
                quoted += "\\\\";
                break;
            case '"':
                quoted += "\\\"";
                break;
            case '\0':
                quoted += "\\0";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\n':
                quoted += "\\n";
                break;
            default:
                quoted += c;
        }
    }
    return quoted + "\"";
}

// Characters as an editor counts them: UTF-8 continuation bytes add none.
std::size_t Columns(std::string_view text) {
    std::size_t columns = 0;
    for (char c : text) {
        columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return columns;
}

// Exactly one NUL, at the end, and no line break: the quoted form gives these bytes back.
bool FitsInQuotes(const std::vector<std::uint8_t>& data) {
    if (data.empty() || data.back() != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') {
            return false;
        }
    }
    return true;
}

std::string QuotedData(const std::vector<std::uint8_t>& data) {
    std::string quoted = "\"";
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\\' || c == '"') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

void AppendHex(std::string& out, std::size_t lineStart, std::string_view form,
               const std::vector<std::uint8_t>& bytes) {
    out += form;
    std::size_t width = Columns(std::string_view(out).substr(lineStart));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        out += digits;
        if (i + 1 == bytes.size()) {
            break;
        }
        out += ',';
        width += 3;
        if (width >= kHexLineWidth) {
            out += kHexContinuation;
            width = 2;
        }
    }
}

void AppendValue(std::string& out, const ValueEntry& value) {
    const std::size_t lineStart = out.size();
    out += value.name.empty() ? std::string("@") : QuotedName(value.name);
    out += '=';
    if (value.remove) {
        out += '-';
    } else if (value.type == registry::kRegSz && FitsInQuotes(value.data)) {
        out += QuotedData(value.data);
    } else if (value.type == registry::kRegDword && value.data.size() == 4) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x",
                      static_cast<unsigned>(common::LoadLe32(value.data.data())));
        out += number;
    } else if (value.type == registry::kRegBinary) {
        AppendHex(out, lineStart, "hex:", value.data);
    } else {
        char form[24];
        std::snprintf(form, sizeof form, "hex(%x):", static_cast<unsigned>(value.type));
        if (IsTextType(value.type)) {
            const std::string_view text(reinterpret_cast<const char*>(value.data.data()),
                                        value.data.size());
            AppendHex(out, lineStart, form, Utf8ToUtf16Le(text));
        } else {
            AppendHex(out, lineStart, form, value.data);
        }
    }
    out += kEndOfLine;
}

}  // namespace

FormatOutcome FormatRegFile(const RegDocument& document) {
    std::string out = "Windows Registry Editor Version 5.00";
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
        out += section.remove ? "[-" : "[";
        out += name;
        out += ']';
        out += kEndOfLine;
        if (!section.remove) {
            for (const ValueEntry& value : section.values) {
                AppendValue(out, value);
            }
        }
        out += kEndOfLine;
    }
    return {std::move(out), {}};
}

}  // namespace regfile
