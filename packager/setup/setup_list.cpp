#include "packager/setup/setup_list.h"

#include <charconv>
#include <set>

#include "common/ascii_case.h"
#include "packager/format/entry_name.h"
#include "packager/setup/setup_path.h"

namespace setup {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = common::AsciiUpper(c);
    }
    return upper;
}

// A name Windows writes as it is named: a plain file name (no device, no trailing dot or blank)
// without the characters it refuses in names.
bool IsWritableName(std::string_view name) {
    if (packager::format::CheckPlainFileName(name) != packager::format::NameFault::None) {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("*?\"<>|").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// A relative path of writable names, separated by "\" or "/".
bool IsRelativePath(std::string_view path) {
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find_first_of("\\/", start);
        if (!IsWritableName(path.substr(start, end - start))) {
            return false;
        }
        if (end == std::string_view::npos) {
            return true;
        }
        start = end + 1;
    }
}

struct Destination {
    std::string_view variable;
    std::string_view relative;
};

// "$(Name)" followed by a separator and a relative path.
std::optional<Destination> SplitDestination(std::string_view destination) {
    if (!destination.starts_with("$(")) {
        return std::nullopt;
    }
    const std::size_t close = destination.find(')');
    if (close == std::string_view::npos || close == 2 || close + 1 >= destination.size() ||
        (destination[close + 1] != '\\' && destination[close + 1] != '/')) {
        return std::nullopt;
    }
    Destination split{destination.substr(2, close - 2), destination.substr(close + 2)};
    for (const char c : split.variable) {
        const bool word =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!word) {
            return std::nullopt;
        }
    }
    if (!IsRelativePath(split.relative)) {
        return std::nullopt;
    }
    return split;
}

// One destination as it is compared with the others: its case and separators set aside.
std::string DestinationKey(std::string_view destination) {
    std::string key = Upper(destination);
    for (char& c : key) {
        if (c == '/') {
            c = '\\';
        }
    }
    return key;
}

class ListReader {
  public:
    SetupListRead Read(std::string_view text) {
        if (text.starts_with("\xEF\xBB\xBF")) {
            text.remove_prefix(3);
        }
        std::size_t start = 0;
        while (start <= text.size() && error_.empty()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            std::string_view line = text.substr(start, end - start);
            if (line.ends_with('\r')) {
                line.remove_suffix(1);
            }
            ++lineNumber_;
            ReadLine(Trim(line));
            start = end + 1;
        }
        if (error_.empty()) {
            CheckComplete();
        }
        if (!error_.empty()) {
            return {std::nullopt, error_};
        }
        return {std::move(list_), {}};
    }

  private:
    enum class Section { kNone, kProduct, kFiles };

    void Fail(std::string_view what) {
        error_ = "line " + std::to_string(lineNumber_) + ": " + std::string(what);
    }

    void ReadLine(std::string_view line) {
        if (line.empty() || line.starts_with(';')) {
            return;
        }
        if (line.starts_with('[')) {
            const std::string name = Upper(line);
            if (name == "[PRODUCT]") {
                section_ = Section::kProduct;
            } else if (name == "[FILES]") {
                section_ = Section::kFiles;
            } else {
                Fail("unknown section " + std::string(line));
            }
            return;
        }
        const std::size_t equals = line.find('=');
        if (section_ == Section::kNone) {
            Fail("a line before [Product] or [Files]");
        } else if (equals == std::string_view::npos) {
            Fail("no \"=\"");
        } else if (section_ == Section::kProduct) {
            ReadProductLine(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
        } else {
            ReadFileLine(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
        }
    }

    void ReadProductLine(std::string_view key, std::string_view value) {
        const std::string upper = Upper(key);
        std::string* field = upper == "NAME"        ? &list_.name
                             : upper == "VERSION"   ? &list_.version
                             : upper == "PUBLISHER" ? &list_.publisher
                             : upper == "FOLDER"    ? &list_.folder
                             : upper == "PROGRAM"   ? &list_.program
                             : upper == "SHORTCUT"  ? &list_.shortcut
                                                    : nullptr;
        if (field == nullptr) {
            Fail("unknown key " + std::string(key));
        } else if (!seen_.insert(upper).second) {
            Fail(std::string(key) + " given twice");
        } else if (upper == "FOLDER" && !IsRelativePath(value)) {
            Fail("the folder " + std::string(value) + " is not a relative path");
        } else if ((upper == "PROGRAM" || (upper == "SHORTCUT" && !value.empty())) &&
                   !IsWritableName(value)) {
            Fail("the " + std::string(key) + " " + std::string(value) +
                 " is not a plain file name");
        } else {
            *field = value;
        }
    }

    void ReadFileLine(std::string_view entry, std::string_view rest) {
        const std::size_t comma = rest.rfind(',');
        if (packager::format::CheckPlainFileName(entry) != packager::format::NameFault::None) {
            Fail("the entry " + std::string(entry) + " is not a plain file name");
            return;
        }
        if (comma == std::string_view::npos) {
            Fail("no size for " + std::string(entry));
            return;
        }
        const std::string_view destination = Trim(rest.substr(0, comma));
        const std::string_view sizeText = Trim(rest.substr(comma + 1));
        SetupFile file{std::string(entry), std::string(destination), 0};
        const auto [end, fault] =
            std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), file.size);
        if (sizeText.empty() || fault != std::errc() || end != sizeText.data() + sizeText.size()) {
            Fail("the size of " + file.entry + " is not a number");
        } else if (!SplitDestination(destination)) {
            Fail("the destination " + file.destination +
                 " is not a variable followed by a relative path");
        } else if (!destinations_.insert(DestinationKey(destination)).second) {
            Fail("a second file for " + file.destination);
        } else {
            list_.files.push_back(std::move(file));
        }
    }

    void CheckComplete() {
        for (const char* key : {"Name", "Version", "Folder", "Program"}) {
            if (!seen_.contains(Upper(key))) {
                error_ = "line " + std::to_string(lineNumber_) + ": no " + key + " in [Product]";
                return;
            }
        }
    }

    SetupList list_;
    Section section_ = Section::kNone;
    int lineNumber_ = 0;
    std::set<std::string> seen_;
    std::set<std::string> destinations_;
    std::string error_;
};

}  // namespace

SetupListRead ParseSetupList(std::string_view text) {
    return ListReader().Read(text);
}

std::string FormatSetupList(const SetupList& list) {
    std::string text = "[Product]\r\n";
    const auto line = [&text](std::string_view key, std::string_view value) {
        text.append(key).append("=").append(value).append("\r\n");
    };
    line("Name", list.name);
    line("Version", list.version);
    line("Publisher", list.publisher);
    line("Folder", list.folder);
    line("Program", list.program);
    if (!list.shortcut.empty()) {
        line("Shortcut", list.shortcut);
    }
    text += "[Files]\r\n";
    for (const SetupFile& file : list.files) {
        line(file.entry, file.destination + "," + std::to_string(file.size));
    }
    return text;
}

std::optional<std::string> ResolveDestination(std::string_view destination,
                                              const SetupVariables& variables) {
    const std::optional<Destination> split = SplitDestination(destination);
    if (!split) {
        return std::nullopt;
    }
    const auto folder = variables.find(split->variable);
    if (folder == variables.end()) {
        return std::nullopt;
    }
    std::string relative(split->relative);
    for (char& c : relative) {
        if (c == '\\' || c == '/') {
            c = kPathSeparator;
        }
    }
    return JoinPath(folder->second, relative);
}

}  // namespace setup
