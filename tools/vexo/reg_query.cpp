#include "tools/vexo/reg_query.h"

#include <cstdio>
#include <ostream>

#include "common/byte_order.h"
#include "tools/regfile/key_path.h"
#include "tools/vexo/reg_keys.h"
#include "tools/vexo/reg_messages.h"

namespace vexo::cli {

using registry::Status;

namespace {

constexpr std::string_view kColumn = "    ";
constexpr std::uint32_t kRegQword = 11;

void PrintValue(std::ostream& out, const regfile::ValueEntry& value) {
    out << kColumn << (value.name.empty() ? "(Default)" : value.name) << kColumn
        << RegTypeName(value.type) << kColumn << RegDataText(value.type, value.data) << '\n';
}

bool Found(Status status) {
    return status == registry::kErrorSuccess;
}

// A key that went away while it was being listed is no failure.
bool Vanished(Status status) {
    return status == registry::kErrorFileNotFound || status == registry::kErrorKeyDeleted;
}

// Lists hive\subKey (named path): its values, then its subkeys' names or, with recurse, their
// listings. The path is printed for a key with values, and for every key below the first.
Status ListKey(registry::RegistryApi& api, registry::Hkey hive, const std::string& subKey,
               const std::string& path, bool recurse, bool below, std::ostream& out) {
    std::vector<regfile::ValueEntry> values;
    std::vector<std::string> children;
    {
        OpenedKey key(api);
        Status status = key.Open(hive, subKey, registry::kKeyRead);
        if (Found(status)) {
            status = ReadValues(api, key.get(), values);
        }
        if (Found(status)) {
            status = ReadSubkeyNames(api, key.get(), children);
        }
        if (!Found(status)) {
            return status;
        }
    }
    const bool heading = !values.empty() || below;
    if (heading) {
        out << path << '\n';
    }
    for (const regfile::ValueEntry& value : values) {
        PrintValue(out, value);
    }
    if (heading) {
        out << '\n';
    }
    for (const std::string& child : children) {
        const std::string childPath = path + '\\' + child;
        if (!recurse) {
            out << childPath << '\n';
            continue;
        }
        const Status status =
            ListKey(api, hive, JoinKey(subKey, child), childPath, true, true, out);
        if (!Found(status) && !Vanished(status)) {
            return status;
        }
    }
    return registry::kErrorSuccess;
}

// Prints the value named name of hive\subKey and of every key below it.
Status SearchValue(registry::RegistryApi& api, registry::Hkey hive, const std::string& subKey,
                   const std::string& path, const std::string& name, std::size_t& matches,
                   std::ostream& out) {
    std::vector<std::string> children;
    regfile::ValueEntry value;
    Status found = registry::kErrorFileNotFound;
    {
        OpenedKey key(api);
        Status status = key.Open(hive, subKey, registry::kKeyRead);
        if (Found(status)) {
            found = ReadValue(api, key.get(), name, value);
            status = ReadSubkeyNames(api, key.get(), children);
        }
        if (!Found(status)) {
            return status;
        }
    }
    if (Found(found)) {
        out << path << '\n';
        PrintValue(out, value);
        out << '\n';
        ++matches;
    }
    for (const std::string& child : children) {
        const Status status =
            SearchValue(api, hive, JoinKey(subKey, child), path + '\\' + child, name, matches, out);
        if (!Found(status) && !Vanished(status)) {
            return status;
        }
    }
    return registry::kErrorSuccess;
}

int Failed(std::ostream& err, Status status) {
    err << RegStatusMessage(status);
    return kExitFailed;
}

}  // namespace

std::string RegTypeName(std::uint32_t type) {
    static constexpr std::string_view kNames[] = {"REG_NONE",
                                                  "REG_SZ",
                                                  "REG_EXPAND_SZ",
                                                  "REG_BINARY",
                                                  "REG_DWORD",
                                                  "REG_DWORD_BIG_ENDIAN",
                                                  "REG_LINK",
                                                  "REG_MULTI_SZ",
                                                  "REG_RESOURCE_LIST",
                                                  "REG_FULL_RESOURCE_DESCRIPTOR",
                                                  "REG_RESOURCE_REQUIREMENTS_LIST",
                                                  "REG_QWORD"};
    if (type < std::size(kNames)) {
        return std::string(kNames[type]);
    }
    char number[16];
    std::snprintf(number, sizeof number, "0x%x", static_cast<unsigned>(type));
    return number;
}

std::string RegDataText(std::uint32_t type, const std::vector<std::uint8_t>& data) {
    const std::string text(data.begin(), data.end());
    if (type == registry::kRegSz || type == registry::kRegExpandSz) {
        return text.substr(0, text.find('\0'));
    }
    if (type == registry::kRegMultiSz) {
        std::string_view parts = text;
        for (int terminator = 0; terminator < 2 && parts.ends_with('\0'); ++terminator) {
            parts.remove_suffix(1);
        }
        std::string joined;
        for (char c : parts) {
            joined += c == '\0' ? std::string_view("\\0") : std::string_view(&c, 1);
        }
        return joined;
    }
    const bool dword =
        (type == registry::kRegDword || type == registry::kRegDwordBigEndian) && data.size() == 4;
    if (dword || (type == kRegQword && data.size() == 8)) {
        char number[24];
        std::snprintf(number, sizeof number, "0x%llx",
                      static_cast<unsigned long long>(dword ? common::LoadLe32(data.data())
                                                            : common::LoadLe64(data.data())));
        return number;
    }
    std::string digits;
    for (std::uint8_t byte : data) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        digits += pair;
    }
    return digits;
}

int RunRegQuery(registry::RegistryApi& api, const RegRequest& request, std::ostream& out,
                std::ostream& err) {
    const registry::Hkey hive = request.key.hive;
    const std::string& subKey = request.key.subKey;
    const std::string path = regfile::FullKeyName(hive, subKey);
    {
        OpenedKey key(api);
        const Status status = key.Open(hive, subKey, registry::kKeyRead);
        if (!Found(status)) {
            return Failed(err, status);
        }
    }
    if (!request.valueName) {
        out << '\n';
        const Status status = ListKey(api, hive, subKey, path, request.recurse, false, out);
        return Found(status) ? kExitOk : Failed(err, status);
    }
    const std::string& name = *request.valueName;
    if (request.recurse) {
        std::size_t matches = 0;
        out << '\n';
        const Status status = SearchValue(api, hive, subKey, path, name, matches, out);
        if (!Found(status)) {
            return Failed(err, status);
        }
        out << "End of search: " << matches << " match(es) found.\n";
        return kExitOk;
    }
    OpenedKey key(api);
    regfile::ValueEntry value;
    Status status = key.Open(hive, subKey, registry::kKeyRead);
    if (Found(status)) {
        status = ReadValue(api, key.get(), name, value);
    }
    if (Found(status)) {
        out << '\n' << path << '\n';
        PrintValue(out, value);
        out << '\n';
        return kExitOk;
    }
    if (status == registry::kErrorFileNotFound && name.empty()) {
        // reg.exe answers for a default value that was never set instead of failing.
        out << '\n'
            << path << '\n'
            << kColumn << "(Default)" << kColumn << "REG_SZ" << kColumn << "(value not set)\n\n";
        return kExitOk;
    }
    return Failed(err, status);
}

}  // namespace vexo::cli
