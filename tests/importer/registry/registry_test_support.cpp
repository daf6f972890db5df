#include "tests/importer/registry/registry_test_support.h"

#include <gtest/gtest.h>

#include "common/ascii_case.h"
#include "common/byte_order.h"

namespace registry::testing {
namespace {

bool IsHive(Hkey key) {
    return key >= kHkeyClassesRoot && key <= kHkeyDynData;
}

void Check(Status status, const char* what) {
    if (status != kErrorSuccess) {
        ADD_FAILURE() << what << " failed with status " << status;
    }
}

}  // namespace

Status HandleLedger::RegOpenKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) {
    openedPaths_.emplace_back(subKey);
    const Status status = inner_.RegOpenKeyEx(key, subKey, access, result);
    if (status == kErrorSuccess) {
        open_.insert(result);
    }
    return status;
}

Status HandleLedger::RegCreateKeyEx(Hkey key, std::string_view subKey, Access access,
                                    Hkey& result) {
    const Status status = inner_.RegCreateKeyEx(key, subKey, access, result);
    if (status == kErrorSuccess) {
        open_.insert(result);
    }
    return status;
}

Status HandleLedger::RegCloseKey(Hkey key) {
    if (open_.erase(key) == 0 && !IsHive(key)) {
        ++strayCloses_;
    }
    return inner_.RegCloseKey(key);
}

std::uint32_t ExpandFromTable(const std::map<std::string, std::string>& table,
                              std::string_view text, char* destination, std::uint32_t size) {
    std::string expanded;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto open = text.find('%', pos);
        const auto close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            expanded += text.substr(pos);
            break;
        }
        expanded += text.substr(pos, open - pos);
        const std::string_view name = text.substr(open + 1, close - open - 1);
        const std::string* value = nullptr;
        for (const auto& [key, entry] : table) {
            if (common::EqualsIgnoringAsciiCase(key, name)) {
                value = &entry;
            }
        }
        if (value != nullptr) {
            expanded += *value;
        } else {
            expanded += text.substr(open, close - open + 1);
        }
        pos = close + 1;
    }
    const auto needed = static_cast<std::uint32_t>(expanded.size() + 1);
    if (destination != nullptr && needed <= size) {
        expanded.copy(destination, expanded.size());
        destination[expanded.size()] = '\0';
    }
    return needed;
}

RegistryServices TestServices() {
    static const std::map<std::string, std::string> table = {{"SystemRoot", "C:\\Windows"},
                                                             {"PROGRAMFILES", "C:\\Program Files"}};
    return RegistryServices{[](std::string_view text, char* destination, std::uint32_t size) {
                                return ExpandFromTable(table, text, destination, size);
                            },
                            [] {
                                return common::ProgramFile{std::string(kTestProgramFolder), "Demo"};
                            }};
}

void PutValue(RegistryApi& api, Hkey hive, std::string_view key, std::string_view name,
              std::uint32_t type, std::string_view bytes) {
    Hkey handle = 0;
    Check(api.RegCreateKeyEx(hive, key, kKeyAllAccess, handle), "RegCreateKeyEx");
    const Status status =
        api.RegSetValueEx(handle, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                          static_cast<std::uint32_t>(bytes.size()));
    api.RegCloseKey(handle);
    Check(status, "RegSetValueEx");
}

void PutDword(RegistryApi& api, Hkey hive, std::string_view key, std::string_view name,
              std::int32_t value) {
    const auto bytes = common::Le32Bytes(static_cast<std::uint32_t>(value));
    PutValue(api, hive, key, name, kRegDword, std::string(bytes.begin(), bytes.end()));
}

void PutKey(RegistryApi& api, Hkey hive, std::string_view key) {
    Hkey handle = 0;
    Check(api.RegCreateKeyEx(hive, key, kKeyAllAccess, handle), "RegCreateKeyEx");
    api.RegCloseKey(handle);
}

std::optional<StoredValue> GetValue(RegistryApi& api, Hkey hive, std::string_view key,
                                    std::string_view name) {
    Hkey handle = 0;
    if (api.RegOpenKeyEx(hive, key, kKeyRead, handle) != kErrorSuccess) {
        return std::nullopt;
    }
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::optional<StoredValue> result;
    if (api.RegQueryValueEx(handle, name, &type, nullptr, &size) == kErrorSuccess) {
        std::string bytes(size, '\0');
        if (api.RegQueryValueEx(handle, name, &type, reinterpret_cast<std::uint8_t*>(bytes.data()),
                                &size) == kErrorSuccess) {
            result = StoredValue{type, bytes.substr(0, size)};
        }
    }
    api.RegCloseKey(handle);
    return result;
}

bool HasKey(RegistryApi& api, Hkey hive, std::string_view key) {
    Hkey handle = 0;
    if (api.RegOpenKeyEx(hive, key, kKeyRead, handle) != kErrorSuccess) {
        return false;
    }
    api.RegCloseKey(handle);
    return true;
}

}  // namespace registry::testing
