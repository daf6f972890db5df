#include "tools/vexo/reg_command.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <ostream>

#include "common/ascii_case.h"
#include "tools/regfile/reg_limits.h"
#include "tools/regfile/reg_reader.h"
#include "tools/regfile/reg_writer.h"
#include "tools/vexo/reg_arguments.h"
#include "tools/vexo/reg_keys.h"
#include "tools/vexo/reg_messages.h"
#include "tools/vexo/reg_query.h"

namespace vexo::cli {

using registry::Status;

namespace {

constexpr std::string_view kUsage =
    "Usage: vexo reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
    "       vexo reg query KEY [/v NAME | /ve] [/s]\n"
    "       vexo reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "       vexo reg export KEY FILE [/y]\n"
    "       vexo reg import FILE\n"
    "\n"
    "Reads and changes this machine's registry with reg.exe's syntax. On Linux that is\n"
    "the registry store of the machine prefix ($VEXO_PREFIX, else $XDG_DATA_HOME/vexo,\n"
    "else ~/.local/share/vexo).\n"
    "\n"
    "KEY   ROOT\\Subkey\\..., \"\\\" between levels; ROOT is HKLM, HKCU, HKCR, HKU, HKCC\n"
    "      or the full name (HKEY_LOCAL_MACHINE ...).\n"
    "/v    the value NAME; /ve the key's default value (shown as \"(Default)\");\n"
    "      /va (delete) every value of the key.\n"
    "/t    REG_SZ (the default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD or REG_BINARY.\n"
    "/d    the DATA: REG_DWORD in decimal or with 0x in hex; REG_BINARY as hex digits\n"
    "      (\"deadbeef\"); REG_MULTI_SZ as strings separated by \\0, or by the one\n"
    "      character given with /s. Without /v or /ve, add sets the default value;\n"
    "      without /d it sets an empty one, as reg.exe does.\n"
    "/s    (query) every key below KEY too.\n"
    "/f    reg.exe asks before it replaces a value or deletes anything; vexo reg\n"
    "      cannot ask. add refuses to replace an existing value and delete refuses\n"
    "      to delete unless /f is given.\n"
    "/y    (export) replace FILE if it exists; without /y an existing FILE is kept\n"
    "      and export fails.\n"
    "\n"
    "export writes KEY and everything below it to FILE as reg.exe exports it\n"
    "(UTF-16LE, \"Windows Registry Editor Version 5.00\"); import applies such a\n"
    "file, or an 8-bit one (\"REGEDIT4\"), and gives back the same keys and values,\n"
    "byte for byte. It reads and checks the whole file first, and applies all of it\n"
    "or, on a mistake or a name the registry would refuse, nothing.\n"
    "\n"
    "Exit status: 0 on success; 1 when a key or value is missing, the arguments are\n"
    "wrong, or the registry or a file cannot be used.\n";

constexpr std::string_view kFooter = "Type \"vexo reg --help\" for help.\n";

struct TypeInfo {
    std::string_view name;
    std::uint32_t type;
};

constexpr TypeInfo kTypes[] = {{"REG_SZ", registry::kRegSz},
                               {"REG_EXPAND_SZ", registry::kRegExpandSz},
                               {"REG_MULTI_SZ", registry::kRegMultiSz},
                               {"REG_DWORD", registry::kRegDword},
                               {"REG_BINARY", registry::kRegBinary}};

// The problem as a sentence, then the operation's usage (all of it without an operation).
int SyntaxError(std::ostream& err, std::optional<RegOperation> operation,
                std::string_view problem) {
    std::string sentence(problem);
    if (!sentence.empty()) {
        sentence.front() = common::AsciiUpper(sentence.front());
    }
    err << "ERROR: Invalid syntax. " << sentence << ".\n";
    if (operation) {
        err << RegOperationUsage(*operation) << kFooter;
    } else {
        err << kUsage;
    }
    return kExitFailed;
}

int Failed(std::ostream& err, Status status) {
    err << RegStatusMessage(status);
    return kExitFailed;
}

int Succeeded(std::ostream& out) {
    out << kRegSuccess;
    return kExitOk;
}

std::vector<std::uint8_t> TextData(std::string_view text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

// Decimal, or hex after 0x; nothing else, and nothing beyond 32 bits.
std::optional<std::vector<std::uint8_t>> DwordData(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        number > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> data;
    for (int shift = 0; shift < 32; shift += 8) {
        data.push_back(static_cast<std::uint8_t>(number >> shift));
    }
    return data;
}

// Pairs of hex digits; an odd count reads as if a 0 came first ("abc" is 0a bc).
std::optional<std::vector<std::uint8_t>> BinaryData(std::string_view text) {
    std::string digits(text.size() % 2, '0');
    digits += text;
    std::vector<std::uint8_t> data;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        std::uint8_t byte = 0;
        const char* first = digits.data() + i;
        const auto [end, error] = std::from_chars(first, first + 2, byte, 16);
        if (error != std::errc() || end != first + 2) {
            return std::nullopt;
        }
        data.push_back(byte);
    }
    return data;
}

// Strings between separators, each stored with its NUL, then one more NUL. One separator may
// end the data; an empty string anywhere else cannot be stored (it would end the list). The
// data that is only a separator stand for the one empty string.
std::optional<std::vector<std::uint8_t>> MultiStringData(std::string_view text,
                                                         std::string_view separator) {
    if (text.empty()) {
        return std::vector<std::uint8_t>{0};
    }
    if (text == separator) {
        return std::vector<std::uint8_t>{0, 0};
    }
    if (text.ends_with(separator)) {
        text.remove_suffix(separator.size());
    }
    std::vector<std::uint8_t> data;
    while (true) {
        const std::size_t end = text.find(separator);
        const std::string_view part = text.substr(0, end);
        if (part.empty()) {
            return std::nullopt;
        }
        data.insert(data.end(), part.begin(), part.end());
        data.push_back(0);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + separator.size());
    }
    data.push_back(0);
    return data;
}

int RunAdd(registry::RegistryApi& api, const RegRequest& request, std::ostream& out,
           std::ostream& err) {
    std::uint32_t type = registry::kRegSz;
    if (request.type) {
        const auto known =
            std::find_if(std::begin(kTypes), std::end(kTypes), [&](const TypeInfo& t) {
                return common::EqualsIgnoringAsciiCase(t.name, *request.type);
            });
        if (known == std::end(kTypes)) {
            return SyntaxError(err, RegOperation::Add,
                               "the type \"" + *request.type + "\" is not supported");
        }
        type = known->type;
    }
    if (request.separator && request.separator->size() != 1) {
        return SyntaxError(err, RegOperation::Add, "/s takes one character");
    }
    const std::string text = request.data.value_or("");
    std::optional<std::vector<std::uint8_t>> data;
    std::string_view dataProblem;
    switch (type) {
        case registry::kRegDword:
            data = request.data ? DwordData(text) : std::nullopt;
            dataProblem = "/d needs a number from 0 to 4294967295 (or 0x0 to 0xffffffff)";
            break;
        case registry::kRegBinary:
            data = BinaryData(text);
            dataProblem = "/d needs hex digits";
            break;
        case registry::kRegMultiSz:
            data = MultiStringData(text, request.separator.value_or("\\0"));
            dataProblem = "/d holds an empty string between separators";
            break;
        default:
            data = TextData(text);
    }
    if (!data) {
        return SyntaxError(err, RegOperation::Add, dataProblem);
    }

    const std::string name = request.valueName.value_or("");
    const registry::Hkey hive = request.key.hive;
    if (!request.force) {
        OpenedKey existing(api);
        if (existing.Open(hive, request.key.subKey, registry::kKeyQueryValue) ==
                registry::kErrorSuccess &&
            api.RegQueryValueEx(existing.get(), name, nullptr, nullptr, nullptr) ==
                registry::kErrorSuccess) {
            err << "ERROR: The value \"" << (name.empty() ? "(Default)" : name)
                << "\" exists already. Add /f to replace it (vexo reg cannot ask).\n";
            return kExitFailed;
        }
    }
    OpenedKey key(api);
    Status status = key.Create(hive, request.key.subKey, registry::kKeyWrite);
    if (status == registry::kErrorSuccess) {
        const std::uint8_t none = 0;
        status = api.RegSetValueEx(key.get(), name, type, data->empty() ? &none : data->data(),
                                   static_cast<std::uint32_t>(data->size()));
    }
    return status == registry::kErrorSuccess ? Succeeded(out) : Failed(err, status);
}

int RunDelete(registry::RegistryApi& api, const RegRequest& request, std::ostream& out,
              std::ostream& err) {
    if (!request.force) {
        err << "ERROR: Add /f to delete (vexo reg cannot ask for confirmation).\n";
        return kExitFailed;
    }
    const registry::Hkey hive = request.key.hive;
    const std::string& subKey = request.key.subKey;
    Status status = registry::kErrorSuccess;
    if (request.allValues) {
        status = DeleteAllValues(api, hive, subKey);
    } else if (request.valueName) {
        OpenedKey key(api);
        status = key.Open(hive, subKey, registry::kKeySetValue);
        if (status == registry::kErrorSuccess) {
            status = api.RegDeleteValue(key.get(), *request.valueName);
        }
    } else if (subKey.empty()) {
        err << "ERROR: A root key cannot be deleted.\n";
        return kExitFailed;
    } else {
        // One change: the store removes the whole tree in one commit, and never half of it.
        status = api.RunAsOneChange([&] { return DeleteTree(api, hive, subKey); });
    }
    return status == registry::kErrorSuccess ? Succeeded(out) : Failed(err, status);
}

// Writes bytes to path; without overwrite only when no file of that name exists yet, checked
// and created in one step.
bool WriteNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes, bool overwrite,
                  std::ostream& err) {
    std::FILE* file = std::fopen(path.c_str(), overwrite ? "wb" : "wbx");
    if (file == nullptr) {
        if (errno == EEXIST) {
            err << "ERROR: " << path << " exists already. Add /y to replace it.\n";
        } else {
            err << "ERROR: Cannot write " << path << ": " << std::strerror(errno) << ".\n";
        }
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    if (std::fclose(file) != 0 || !written) {
        err << "ERROR: Cannot write " << path << ": " << std::strerror(written ? errno : writeError)
            << ".\n";
        std::remove(path.c_str());  // never leave half a file that looks like an export
        return false;
    }
    return true;
}

int RunExport(registry::RegistryApi& api, const RegRequest& request, std::ostream& out,
              std::ostream& err) {
    regfile::RegDocument document;
    const Status status = CollectTree(api, request.key.hive, request.key.subKey, document);
    if (status != registry::kErrorSuccess) {
        return Failed(err, status);
    }
    const regfile::FormatOutcome formatted =
        regfile::FormatRegFile(document, regfile::NarrowText::System);
    if (!formatted.bytes) {
        err << "ERROR: Cannot export: " << formatted.problem << ".\n";
        return kExitFailed;
    }
    return WriteNewFile(request.file, *formatted.bytes, request.overwrite, err) ? Succeeded(out)
                                                                                : kExitFailed;
}

int RunImport(registry::RegistryApi& api, const RegRequest& request, std::ostream& out,
              std::ostream& err) {
    std::ifstream file(request.file, std::ios::binary);
    if (!file) {
        err << "ERROR: Cannot read " << request.file << ": " << std::strerror(errno) << ".\n";
        return kExitFailed;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    if (file.bad()) {
        err << "ERROR: Cannot read " << request.file << ".\n";
        return kExitFailed;
    }
    const regfile::ParseOutcome parsed = regfile::ParseRegFile(bytes, regfile::NarrowText::System);
    std::optional<regfile::RefusedName> refused;
    if (parsed.document) {
        refused = regfile::FindRefusedName(*parsed.document, regfile::NarrowText::System);
    }
    if (!parsed.document || refused) {
        err << "ERROR: " << request.file << ", line " << (refused ? refused->line : parsed.line)
            << ": " << (refused ? refused->problem : parsed.problem) << ". Nothing was imported.\n";
        return kExitFailed;
    }
    // On the store the whole file is one transaction; advapi32 has none, which is why every
    // name was checked above.
    ApplyFailure failure;
    const Status status =
        api.RunAsOneChange([&] { return ApplyDocument(api, *parsed.document, failure); });
    if (status != registry::kErrorSuccess) {
        if (failure.key.empty()) {
            err << "ERROR: Cannot import " << request.file << ":\n";
        } else {
            err << "ERROR: Importing stopped at " << failure.key << " (" << request.file
                << ", line " << failure.line << "):\n";
        }
        err << RegStatusMessage(status);
        return kExitFailed;
    }
    return Succeeded(out);
}

int RunOnSystem(Arguments args, std::ostream& out, std::ostream& err) {
    return RunReg(args, registry::SystemRegistryApi(), out, err);
}

}  // namespace

int RunReg(Arguments args, registry::RegistryApi& api, std::ostream& out, std::ostream& err) {
    if (!args.empty() && (args.front() == "/?" || args.front() == "-?")) {
        out << kUsage;
        return kExitOk;
    }
    const RegArgumentsOutcome parsed = ParseRegArguments(args);
    if (parsed.helpWanted) {
        out << RegOperationUsage(*parsed.operation) << kFooter;
        return kExitOk;
    }
    if (!parsed.problem.empty()) {
        return SyntaxError(err, parsed.operation, parsed.problem);
    }
    if (parsed.badKey) {
        err << "ERROR: Invalid key name.\n" << RegOperationUsage(*parsed.operation) << kFooter;
        return kExitFailed;
    }
    const RegRequest& request = *parsed.request;
    switch (request.operation) {
        case RegOperation::Add:
            return RunAdd(api, request, out, err);
        case RegOperation::Query:
            return RunRegQuery(api, request, out, err);
        case RegOperation::Delete:
            return RunDelete(api, request, out, err);
        case RegOperation::Export:
            return RunExport(api, request, out, err);
        case RegOperation::Import:
            return RunImport(api, request, out, err);
    }
    return kExitFailed;
}

Command RegCommand() {
    return {"reg", "read and change this machine's registry as reg.exe does", kUsage, RunOnSystem};
}

}  // namespace vexo::cli
