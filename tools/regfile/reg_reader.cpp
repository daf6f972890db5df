#include "tools/regfile/reg_reader.h"

#include <vector>

#include "common/ascii_case.h"
#include "tools/regfile/key_path.h"
#include "tools/regfile/reg_text.h"

namespace regfile {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           common::EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// 1 to maxDigits hex digits and nothing else.
std::optional<std::uint32_t> HexNumber(std::string_view digits, std::size_t maxDigits) {
    if (digits.empty() || digits.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

struct Problem {
    std::string message;
};

// The text is the file's: in an 8-bit file as it stands, in a UTF-16 file converted to UTF-8
// (NarrowText::Utf8, so that no character of it is lost and the syntax stays ASCII).
class Parser {
  public:
    Parser(std::string_view text, bool utf16File, NarrowText narrow)
        : lines_(SplitLines(text)), utf16File_(utf16File), narrow_(narrow) {}

    ParseOutcome Run() {
        if (lines_.empty() || !ReadHeader(Trim(lines_[0]))) {
            return Failed(1, "not a registry file: the first line must read \"" +
                                 std::string(kHeader) + "\"");
        }
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            const std::size_t lineNumber = index_ + 1;
            if (std::optional<Problem> problem = ReadLine(Trim(lines_[index_]))) {
                return Failed(lineNumber, std::move(problem->message));
            }
        }
        return {std::move(document_), 0, {}};
    }

  private:
    static ParseOutcome Failed(std::size_t line, std::string problem) {
        return {std::nullopt, line, std::move(problem)};
    }

    static bool ReadHeader(std::string_view header) {
        return header == kHeader || header == kOldHeader;
    }

    // A name or text of the file in the registry's 8-bit encoding.
    std::string Narrow(std::string text) const {
        return utf16File_ ? Utf16ToNarrow(NarrowToUtf16(text, NarrowText::Utf8), narrow_) : text;
    }

    static bool IsBlankOrComment(std::string_view line) {
        line = Trim(line);
        return line.empty() || line.front() == ';';
    }

    std::optional<Problem> ReadLine(std::string_view line) {
        if (IsBlankOrComment(line)) {
            return std::nullopt;
        }
        if (line.front() == '[') {
            return ReadSection(line);
        }
        if (line.front() == '@' || line.front() == '"') {
            return ReadValue(line);
        }
        return Problem{"expected [key], \"name\"=data or @=data"};
    }

    std::optional<Problem> ReadSection(std::string_view line) {
        // Key names may hold "]"; the last one on the line closes the name.
        const std::size_t closing = line.rfind(']');
        if (closing == 0 || closing == std::string_view::npos) {
            return Problem{"the key name has no closing \"]\""};
        }
        if (closing != line.size() - 1) {
            return Problem{"unexpected text after the key name"};
        }
        std::string_view name = line.substr(1, closing - 1);
        KeySection section;
        if (name.starts_with('-')) {
            section.remove = true;
            name.remove_prefix(1);
        }
        std::optional<KeyPath> path = ParseKeyPath(name);
        if (!path) {
            return Problem{"\"" + std::string(name) +
                           "\" is no key name (unknown root key or empty level)"};
        }
        if (section.remove && path->subKey.empty()) {
            return Problem{"a root key cannot be deleted"};
        }
        section.hive = path->hive;
        section.subKey = Narrow(std::move(path->subKey));
        section.line = index_ + 1;
        document_.sections.push_back(std::move(section));
        return std::nullopt;
    }

    // A quoted text at the start of rest; rest moves past its closing quote.
    static std::optional<Problem> ReadQuoted(std::string_view& rest, std::string& text) {
        rest.remove_prefix(1);  // the opening quote
        while (!rest.empty()) {
            const char c = rest.front();
            rest.remove_prefix(1);
            if (c == '"') {
                return std::nullopt;
            }
            if (c != '\\') {
                text += c;
                continue;
            }
            if (rest.empty()) {
                break;
            }
            const char escaped = rest.front();
            rest.remove_prefix(1);
            switch (escaped) {
                case '\\':
                case '"':
                    text += escaped;
                    break;
                case 'n':
                    text += '\n';
                    break;
                case 'r':
                    text += '\r';
                    break;
                case '0':
                    text += '\0';
                    break;
                default:
                    return Problem{std::string("unknown escape \"\\") + escaped +
                                   "\" (write \\\\ for a backslash)"};
            }
        }
        return Problem{"the text has no closing quote"};
    }

    // After the data only blanks and a comment may follow.
    static std::optional<Problem> ExpectEnd(std::string_view rest) {
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() == ';') {
            return std::nullopt;
        }
        return Problem{"unexpected text after the value"};
    }

    std::optional<Problem> ReadValue(std::string_view line) {
        if (document_.sections.empty()) {
            return Problem{"a value before the first [key]"};
        }
        KeySection& section = document_.sections.back();
        if (section.remove) {
            return Problem{"a value in a key that is being deleted"};
        }
        ValueEntry value;
        value.line = index_ + 1;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (std::optional<Problem> problem = ReadQuoted(rest, value.name)) {
            return problem;
        }
        rest = TrimLeft(rest);
        if (!rest.starts_with('=')) {
            return Problem{"expected \"=\" after the value name"};
        }
        rest = TrimLeft(rest.substr(1));
        if (std::optional<Problem> problem = ReadData(rest, value)) {
            return problem;
        }
        value.name = Narrow(std::move(value.name));
        section.values.push_back(std::move(value));
        return std::nullopt;
    }

    std::optional<Problem> ReadData(std::string_view rest, ValueEntry& value) {
        if (rest.starts_with('-')) {
            value.remove = true;
            return ExpectEnd(rest.substr(1));
        }
        if (rest.starts_with('"')) {
            std::string text;
            if (std::optional<Problem> problem = ReadQuoted(rest, text)) {
                return problem;
            }
            value.type = registry::kRegSz;
            text = Narrow(std::move(text));
            value.data.assign(text.begin(), text.end());
            value.data.push_back(0);
            return ExpectEnd(rest);
        }
        if (StartsWithIgnoringCase(rest, "dword:")) {
            rest.remove_prefix(6);
            const std::size_t end = rest.find_first_of(" \t;");
            const std::optional<std::uint32_t> number = HexNumber(rest.substr(0, end), 8);
            if (!number) {
                return Problem{"dword: needs 1 to 8 hex digits"};
            }
            value.type = registry::kRegDword;
            for (int shift = 0; shift < 32; shift += 8) {
                value.data.push_back(static_cast<std::uint8_t>(*number >> shift));
            }
            return ExpectEnd(end == std::string_view::npos ? std::string_view() : rest.substr(end));
        }
        if (StartsWithIgnoringCase(rest, "hex:")) {
            value.type = registry::kRegBinary;
            return ReadHexBytes(rest.substr(4), value.data);
        }
        if (StartsWithIgnoringCase(rest, "hex(")) {
            const std::size_t closing = rest.find("):");
            const std::optional<std::uint32_t> type =
                closing == std::string_view::npos ? std::nullopt
                                                  : HexNumber(rest.substr(4, closing - 4), 8);
            if (!type) {
                return Problem{"hex(type): needs the type as 1 to 8 hex digits"};
            }
            value.type = *type;
            if (std::optional<Problem> problem =
                    ReadHexBytes(rest.substr(closing + 2), value.data)) {
                return problem;
            }
            if (utf16File_ && IsTextType(value.type)) {
                const std::string text = Utf16ToNarrow(Utf16FromLeBytes(value.data), narrow_);
                value.data.assign(text.begin(), text.end());
            }
            return std::nullopt;
        }
        return Problem{"unknown data: expected \"text\", dword:, hex:, hex(type): or -"};
    }

    // Comma-separated bytes of one or two hex digits. A "\" at the end of a line continues the
    // list on the next line that holds data; a comment may end each line; one comma may end
    // the list. A "\" on the last line of the file ends the list.
    std::optional<Problem> ReadHexBytes(std::string_view first, std::vector<std::uint8_t>& bytes) {
        std::string list;
        std::string_view segment = first;
        while (true) {
            segment = TrimRight(segment.substr(0, segment.find(';')));
            const bool continues = segment.ends_with('\\');
            if (continues) {
                segment.remove_suffix(1);
            }
            list += segment;
            if (!continues) {
                break;
            }
            // Blank lines and comments inside a continued list hold no data.
            do {
                ++index_;
            } while (index_ < lines_.size() && IsBlankOrComment(lines_[index_]));
            if (index_ >= lines_.size()) {
                break;
            }
            segment = TrimLeft(lines_[index_]);
        }
        std::string_view rest = list;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view token = Trim(rest.substr(0, comma));
            const std::optional<std::uint32_t> byte = HexNumber(token, 2);
            if (!byte) {
                return Problem{"\"" + std::string(token) + "\" is no byte in hex (00 to ff)"};
            }
            bytes.push_back(static_cast<std::uint8_t>(*byte));
            if (comma == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(comma + 1);
            if (Trim(rest).empty()) {
                break;  // the list ended with a comma
            }
        }
        return std::nullopt;
    }

    std::vector<std::string_view> lines_;
    std::size_t index_ = 0;
    bool utf16File_;
    NarrowText narrow_;
    RegDocument document_;
};

}  // namespace

ParseOutcome ParseRegText(std::string_view text) {
    return Parser(text, false, NarrowText::Utf8).Run();
}

ParseOutcome ParseRegFile(std::span<const std::uint8_t> bytes, NarrowText narrow) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        const std::string text =
            Utf16ToNarrow(Utf16FromLeBytes(bytes.subspan(2)), NarrowText::Utf8);
        return Parser(text, true, narrow).Run();
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        return {std::nullopt, 1, "UTF-16 big-endian files are not supported"};
    }
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes = bytes.subspan(3);
    }
    return ParseRegText(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace regfile
