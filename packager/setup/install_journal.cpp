#include "packager/setup/install_journal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace setup {
namespace {

using Kind = InstallStep::Kind;

struct KindName {
    Kind kind;
    std::string_view word;
};
constexpr std::array<KindName, 7> kKindNames = {{
    {Kind::kCreateFolder, "folder"},
    {Kind::kWriteFile, "file"},
    {Kind::kReplaceFile, "replace"},
    {Kind::kCreateKey, "key"},
    {Kind::kSetValue, "value"},
    {Kind::kReplaceValue, "replace-value"},
    {Kind::kCreateShortcut, "shortcut"},
}};

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool NeedsEscape(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '%';
}

void AppendField(std::string& line, std::string_view field) {
    line += '\t';
    for (const char c : field) {
        if (NeedsEscape(c)) {
            const auto byte = static_cast<unsigned char>(c);
            line += '%';
            line += kHexDigits[byte >> 4];
            line += kHexDigits[byte & 0xF];
        } else {
            line += c;
        }
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::optional<std::string> Unescape(std::string_view field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            text += field[i];
            continue;
        }
        const int high = i + 2 < field.size() ? HexValue(field[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(field[i + 2]) : -1;
        if (low < 0) {
            return std::nullopt;
        }
        text += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return text;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

std::optional<std::uint32_t> Decimal(std::string_view text) {
    std::uint32_t number = 0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || fault != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number;
}

// The fields of each kind after its word, in order, as members of the step.
std::vector<std::string InstallStep::*> FieldsOf(Kind kind) {
    switch (kind) {
        case Kind::kCreateFolder:
        case Kind::kWriteFile:
        case Kind::kCreateShortcut:
            return {&InstallStep::path};
        case Kind::kReplaceFile:
            return {&InstallStep::path, &InstallStep::backup};
        case Kind::kCreateKey:
            return {&InstallStep::key};
        case Kind::kSetValue:
            return {&InstallStep::key, &InstallStep::name};
        case Kind::kReplaceValue:
            return {&InstallStep::key, &InstallStep::name, &InstallStep::old};
    }
    return {};
}

std::optional<InstallStep> ParseLine(std::string_view line) {
    const std::vector<std::string_view> fields = SplitTabs(line);
    InstallStep step;
    const auto named = std::find_if(kKindNames.begin(), kKindNames.end(),
                                    [&](const KindName& k) { return k.word == fields[0]; });
    if (named == kKindNames.end()) {
        return std::nullopt;
    }
    step.kind = named->kind;
    const std::vector<std::string InstallStep::*> members = FieldsOf(step.kind);
    const bool typed = step.kind == Kind::kReplaceValue;
    if (fields.size() != 1 + members.size() + (typed ? 1 : 0)) {
        return std::nullopt;
    }
    std::size_t next = 1;
    for (std::string InstallStep::*member : members) {
        if (typed && member == &InstallStep::old) {
            if (fields[next] != "sz" && fields[next] != "dword") {
                return std::nullopt;
            }
            step.oldIsNumber = fields[next++] == "dword";
        }
        std::optional<std::string> text = Unescape(fields[next++]);
        // Every field names something, except the old text of a value, which may be empty.
        if (!text || (text->empty() && member != &InstallStep::old)) {
            return std::nullopt;
        }
        step.*member = std::move(*text);
    }
    if (step.oldIsNumber && !Decimal(step.old)) {
        return std::nullopt;
    }
    return step;
}

// The complete lines of text: a last line without its LF is left out.
std::vector<std::string_view> CompleteLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos;
         end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string FormatInstallSteps(const std::vector<InstallStep>& steps) {
    std::string text;
    for (const InstallStep& step : steps) {
        const auto named = std::find_if(kKindNames.begin(), kKindNames.end(),
                                        [&](const KindName& k) { return k.kind == step.kind; });
        text += named->word;
        for (std::string InstallStep::*member : FieldsOf(step.kind)) {
            if (member == &InstallStep::old) {
                text += step.oldIsNumber ? "\tdword" : "\tsz";
            }
            AppendField(text, step.*member);
        }
        text += '\n';
    }
    return text;
}

std::optional<std::vector<InstallStep>> ParseInstallSteps(std::string_view text) {
    std::vector<InstallStep> steps;
    for (const std::string_view line : CompleteLines(text)) {
        std::optional<InstallStep> step = ParseLine(line);
        if (!step) {
            return std::nullopt;
        }
        steps.push_back(std::move(*step));
    }
    return steps;
}

std::optional<InstallJournal> ParseInstallJournal(std::string_view text) {
    InstallJournal journal;
    if (text.ends_with(kCommitLine)) {
        const std::string_view before = text.substr(0, text.size() - kCommitLine.size());
        // Only a whole line: "...\tcommit\n" would be the end of another step.
        if (before.empty() || before.ends_with('\n')) {
            journal.committed = true;
            text = before;
        }
    }
    std::optional<std::vector<InstallStep>> steps = ParseInstallSteps(text);
    if (!steps) {
        return std::nullopt;
    }
    journal.steps = std::move(*steps);
    return journal;
}

bool UndoSteps(const std::vector<InstallStep>& steps, InstallPlatform& platform) {
    bool undone = true;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        bool ok = true;
        switch (step->kind) {
            case Kind::kCreateFolder:
                ok = platform.RemoveEmptyFolder(step->path);
                break;
            case Kind::kWriteFile:
            case Kind::kCreateShortcut:
                ok = platform.RemoveFile(step->path);
                break;
            case Kind::kReplaceFile:
                // Without its backup the old file was never moved away: it is still in place.
                if (platform.Find(step->backup) == InstallPlatform::PathKind::kFile) {
                    ok = platform.RemoveFile(step->path) &&
                         platform.MoveFile(step->backup, step->path);
                }
                break;
            case Kind::kSetValue:
                ok = platform.DeleteValue(step->key, step->name);
                break;
            case Kind::kReplaceValue:
                ok = step->oldIsNumber
                         ? platform.SetNumber(step->key, step->name, Decimal(step->old).value_or(0))
                         : platform.SetValue(step->key, step->name, step->old);
                break;
            case Kind::kCreateKey:
                ok = platform.DeleteEmptyKey(step->key);
                break;
        }
        undone = undone && ok;
    }
    return undone;
}

}  // namespace setup
