#include "tests/importer/registry/scratch_registry_api.h"

#include <cstdio>
#include <random>
#include <vector>

namespace registry::testing {
namespace {

constexpr const char* kParent = "Software\\VexoTests";

bool IsHive(Hkey key) {
    return key >= kHkeyClassesRoot && key <= kHkeyDynData;
}

std::string RandomName() {
    std::random_device random;
    char name[17];
    std::snprintf(name, sizeof name, "%08X%08X", random(), random());
    return name;
}

}  // namespace

ScratchRegistryApi::ScratchRegistryApi(RegistryApi& inner)
    : inner_(inner), root_(std::string(kParent) + "\\" + RandomName()) {}

ScratchRegistryApi::~ScratchRegistryApi() {
    for (const auto& [hive, scratch] : hives_) {
        inner_.RegCloseKey(scratch);
    }
    DeleteTree(inner_, kHkeyCurrentUser, root_);
    // Left in place while another test's scratch key is still in it.
    inner_.RegDeleteKey(kHkeyCurrentUser, kParent);
}

Hkey ScratchRegistryApi::Resolve(Hkey key) {
    if (!IsHive(key)) {
        return key;
    }
    if (const auto found = hives_.find(key); found != hives_.end()) {
        return found->second;
    }
    Hkey scratch = 0;
    const std::string path = root_ + "\\Hive" + std::to_string(key - kHkeyClassesRoot);
    if (inner_.RegCreateKeyEx(kHkeyCurrentUser, path, kKeyAllAccess, scratch) != kErrorSuccess) {
        return 0;
    }
    hives_.emplace(key, scratch);
    return scratch;
}

Status ScratchRegistryApi::RegOpenKeyEx(Hkey key, std::string_view subKey, Access access,
                                        Hkey& result) {
    return inner_.RegOpenKeyEx(Resolve(key), subKey, access, result);
}

Status ScratchRegistryApi::RegCreateKeyEx(Hkey key, std::string_view subKey, Access access,
                                          Hkey& result) {
    return inner_.RegCreateKeyEx(Resolve(key), subKey, access, result);
}

Status ScratchRegistryApi::RegQueryValueEx(Hkey key, std::string_view valueName,
                                           std::uint32_t* type, std::uint8_t* data,
                                           std::uint32_t* dataSize) {
    return inner_.RegQueryValueEx(Resolve(key), valueName, type, data, dataSize);
}

Status ScratchRegistryApi::RegSetValueEx(Hkey key, std::string_view valueName, std::uint32_t type,
                                         const std::uint8_t* data, std::uint32_t dataSize) {
    return inner_.RegSetValueEx(Resolve(key), valueName, type, data, dataSize);
}

Status ScratchRegistryApi::RegEnumKeyEx(Hkey key, std::uint32_t index, char* name,
                                        std::uint32_t& nameLength) {
    return inner_.RegEnumKeyEx(Resolve(key), index, name, nameLength);
}

Status ScratchRegistryApi::RegEnumValue(Hkey key, std::uint32_t index, char* name,
                                        std::uint32_t& nameLength, std::uint32_t* type,
                                        std::uint8_t* data, std::uint32_t* dataSize) {
    return inner_.RegEnumValue(Resolve(key), index, name, nameLength, type, data, dataSize);
}

Status ScratchRegistryApi::RegDeleteKey(Hkey key, std::string_view subKey) {
    return inner_.RegDeleteKey(Resolve(key), subKey);
}

Status ScratchRegistryApi::RegDeleteValue(Hkey key, std::string_view valueName) {
    return inner_.RegDeleteValue(Resolve(key), valueName);
}

Status ScratchRegistryApi::RegNotifyChangeKeyValue(Hkey key, bool watchSubtree,
                                                   std::uint32_t filter, EventHandle event,
                                                   bool asynchronous) {
    return inner_.RegNotifyChangeKeyValue(Resolve(key), watchSubtree, filter, event, asynchronous);
}

Status ScratchRegistryApi::RegCloseKey(Hkey key) {
    return IsHive(key) ? kErrorSuccess : inner_.RegCloseKey(key);
}

// Each level is opened below the one above it, never by its whole path: the ANSI functions of
// Windows take a path of at most 260 characters.
bool DeleteTree(RegistryApi& api, Hkey parent, const std::string& name) {
    Hkey key = 0;
    if (api.RegOpenKeyEx(parent, name, kKeyAllAccess, key) != kErrorSuccess) {
        return false;
    }
    bool removed = true;
    std::vector<char> child(256);
    for (;;) {
        auto length = static_cast<std::uint32_t>(child.size());
        if (api.RegEnumKeyEx(key, 0, child.data(), length) != kErrorSuccess) {
            break;  // no child left, or none that can be named
        }
        if (!DeleteTree(api, key, std::string(child.data(), length))) {
            removed = false;
            break;
        }
    }
    api.RegCloseKey(key);
    return removed && api.RegDeleteKey(parent, name) == kErrorSuccess;
}

}  // namespace registry::testing
