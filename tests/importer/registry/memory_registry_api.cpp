#include "tests/importer/registry/memory_registry_api.h"

#include <algorithm>
#include <cstring>

#include "common/ascii_case.h"

namespace registry::testing {
namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), common::AsciiUpper);
    return upper;
}

bool Allows(Access granted, Access needed) {
    return (granted & needed) == needed;
}

}  // namespace

MemoryRegistryApi::MemoryRegistryApi() {
    for (Hkey hive = kHkeyClassesRoot; hive <= kHkeyDynData; ++hive) {
        hives_[hive] = std::make_shared<Key>();
    }
}

MemoryRegistryApi::~MemoryRegistryApi() = default;

Status MemoryRegistryApi::Resolve(Hkey key, Access needed, std::shared_ptr<Key>& found) const {
    if (const auto hive = hives_.find(key); hive != hives_.end()) {
        found = hive->second;
        return kErrorSuccess;
    }
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) {
        return kErrorInvalidHandle;
    }
    if (handle->second.key->deleted) {
        return kErrorKeyDeleted;
    }
    if (!Allows(handle->second.access, needed)) {
        return kErrorAccessDenied;
    }
    found = handle->second.key;
    return kErrorSuccess;
}

Status MemoryRegistryApi::Walk(const std::shared_ptr<Key>& from, std::string_view path, bool create,
                               std::shared_ptr<Key>& found) {
    std::shared_ptr<Key> current = from;
    while (!path.empty()) {
        const auto separator = path.find('\\');
        const std::string_view level = path.substr(0, separator);
        path =
            separator == std::string_view::npos ? std::string_view() : path.substr(separator + 1);
        if (level.empty()) {
            return create ? kErrorInvalidParameter : kErrorFileNotFound;
        }
        auto& children = current->children;
        const auto child =
            std::find_if(children.begin(), children.end(), [&](const std::shared_ptr<Key>& k) {
                return common::EqualsIgnoringAsciiCase(k->name, level);
            });
        if (child != children.end()) {
            current = *child;
            continue;
        }
        if (!create) {
            return kErrorFileNotFound;
        }
        auto made = std::make_shared<Key>();
        made->name = std::string(level);
        // Subkeys enumerate in the registry's order: by name, without regard to case.
        const auto place = std::find_if(
            children.begin(), children.end(),
            [&](const std::shared_ptr<Key>& k) { return Upper(k->name) > Upper(level); });
        children.insert(place, made);
        current = made;
    }
    found = current;
    return kErrorSuccess;
}

std::vector<MemoryRegistryApi::Value>::iterator MemoryRegistryApi::FindValue(
    Key& key, std::string_view name) {
    return std::find_if(key.values.begin(), key.values.end(), [&](const Value& v) {
        return common::EqualsIgnoringAsciiCase(v.name, name);
    });
}

Hkey MemoryRegistryApi::NewHandle(std::shared_ptr<Key> key, Access access) {
    const Hkey handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = Handle{std::move(key), access};
    return handle;
}

Status MemoryRegistryApi::RegOpenKeyEx(Hkey key, std::string_view subKey, Access access,
                                       Hkey& result) {
    std::shared_ptr<Key> from;
    if (const Status status = Resolve(key, 0, from); status != kErrorSuccess) {
        return status;
    }
    std::shared_ptr<Key> found;
    if (const Status status = Walk(from, subKey, false, found); status != kErrorSuccess) {
        return status;
    }
    result = NewHandle(found, access);
    return kErrorSuccess;
}

Status MemoryRegistryApi::RegCreateKeyEx(Hkey key, std::string_view subKey, Access access,
                                         Hkey& result) {
    std::shared_ptr<Key> from;
    if (const Status status = Resolve(key, subKey.empty() ? 0 : kKeyCreateSubKey, from);
        status != kErrorSuccess) {
        return status;
    }
    std::shared_ptr<Key> found;
    if (const Status status = Walk(from, subKey, true, found); status != kErrorSuccess) {
        return status;
    }
    result = NewHandle(found, access);
    return kErrorSuccess;
}

Status MemoryRegistryApi::RegQueryValueEx(Hkey key, std::string_view valueName, std::uint32_t* type,
                                          std::uint8_t* data, std::uint32_t* dataSize) {
    std::shared_ptr<Key> found;
    if (const Status status = Resolve(key, kKeyQueryValue, found); status != kErrorSuccess) {
        return status;
    }
    const auto value = FindValue(*found, valueName);
    if (value == found->values.end()) {
        return kErrorFileNotFound;
    }
    if (data != nullptr && dataSize == nullptr) {
        return kErrorInvalidParameter;
    }
    if (type != nullptr) {
        *type = value->type;
    }
    const auto size = static_cast<std::uint32_t>(value->data.size());
    if (data != nullptr && *dataSize < size) {
        *dataSize = size;
        return kErrorMoreData;
    }
    if (data != nullptr && size > 0) {
        std::memcpy(data, value->data.data(), size);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return kErrorSuccess;
}

Status MemoryRegistryApi::RegSetValueEx(Hkey key, std::string_view valueName, std::uint32_t type,
                                        const std::uint8_t* data, std::uint32_t dataSize) {
    std::shared_ptr<Key> found;
    if (const Status status = Resolve(key, kKeySetValue, found); status != kErrorSuccess) {
        return status;
    }
    if (data == nullptr && dataSize > 0) {
        return kErrorInvalidParameter;
    }
    std::vector<std::uint8_t> bytes(data, data + dataSize);
    const auto value = FindValue(*found, valueName);
    if (value != found->values.end()) {
        value->type = type;
        value->data = std::move(bytes);
    } else {
        found->values.push_back(Value{std::string(valueName), type, std::move(bytes)});
    }
    return kErrorSuccess;
}

Status MemoryRegistryApi::RegEnumKeyEx(Hkey key, std::uint32_t index, char* name,
                                       std::uint32_t& nameLength) {
    std::shared_ptr<Key> found;
    if (const Status status = Resolve(key, kKeyEnumerateSubKeys, found); status != kErrorSuccess) {
        return status;
    }
    if (index >= found->children.size()) {
        return kErrorNoMoreItems;
    }
    const std::string& child = found->children[index]->name;
    if (nameLength < child.size() + 1) {
        return kErrorMoreData;
    }
    std::memcpy(name, child.c_str(), child.size() + 1);
    nameLength = static_cast<std::uint32_t>(child.size());
    return kErrorSuccess;
}

Status MemoryRegistryApi::RegEnumValue(Hkey key, std::uint32_t index, char* name,
                                       std::uint32_t& nameLength, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* dataSize) {
    std::shared_ptr<Key> found;
    if (const Status status = Resolve(key, kKeyQueryValue, found); status != kErrorSuccess) {
        return status;
    }
    if (index >= found->values.size()) {
        return kErrorNoMoreItems;
    }
    if (data != nullptr && dataSize == nullptr) {
        return kErrorInvalidParameter;
    }
    const Value& value = found->values[index];
    const auto size = static_cast<std::uint32_t>(value.data.size());
    const bool nameFits = nameLength >= value.name.size() + 1;
    const bool dataFits = data == nullptr || *dataSize >= size;
    if (type != nullptr) {
        *type = value.type;
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    if (!nameFits || !dataFits) {
        return kErrorMoreData;
    }
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    nameLength = static_cast<std::uint32_t>(value.name.size());
    if (data != nullptr && size > 0) {
        std::memcpy(data, value.data.data(), size);
    }
    return kErrorSuccess;
}

Status MemoryRegistryApi::RegDeleteKey(Hkey key, std::string_view subKey) {
    std::shared_ptr<Key> from;
    if (const Status status = Resolve(key, 0, from); status != kErrorSuccess) {
        return status;
    }
    if (subKey.empty()) {
        return kErrorInvalidParameter;
    }
    const auto last = subKey.rfind('\\');
    std::shared_ptr<Key> parent = from;
    if (last != std::string_view::npos) {
        if (const Status status = Walk(from, subKey.substr(0, last), false, parent);
            status != kErrorSuccess) {
            return status;
        }
    }
    const std::string_view leaf = last == std::string_view::npos ? subKey : subKey.substr(last + 1);
    auto& siblings = parent->children;
    const auto child =
        std::find_if(siblings.begin(), siblings.end(), [&](const std::shared_ptr<Key>& k) {
            return common::EqualsIgnoringAsciiCase(k->name, leaf);
        });
    if (child == siblings.end()) {
        return kErrorFileNotFound;
    }
    if (!(*child)->children.empty()) {
        return kErrorAccessDenied;
    }
    (*child)->deleted = true;
    siblings.erase(child);
    return kErrorSuccess;
}

Status MemoryRegistryApi::RegDeleteValue(Hkey key, std::string_view valueName) {
    std::shared_ptr<Key> found;
    if (const Status status = Resolve(key, kKeySetValue, found); status != kErrorSuccess) {
        return status;
    }
    const auto value = FindValue(*found, valueName);
    if (value == found->values.end()) {
        return kErrorFileNotFound;
    }
    found->values.erase(value);
    return kErrorSuccess;
}

Status MemoryRegistryApi::RegNotifyChangeKeyValue(Hkey key, bool watchSubtree, std::uint32_t filter,
                                                  EventHandle event, bool asynchronous) {
    std::shared_ptr<Key> found;
    if (const Status status = Resolve(key, kKeyNotify, found); status != kErrorSuccess) {
        return status;
    }
    if (asynchronous) {
        if (event == 0) {
            return kErrorInvalidParameter;
        }
        subscriptions_.push_back(Subscription{key, watchSubtree, filter, event});
    }
    return kErrorSuccess;
}

Status MemoryRegistryApi::RegCloseKey(Hkey key) {
    if (hives_.contains(key)) {
        return kErrorSuccess;
    }
    if (handles_.erase(key) == 0) {
        return kErrorInvalidHandle;
    }
    std::erase_if(subscriptions_, [&](const Subscription& s) { return s.key == key; });
    return kErrorSuccess;
}

std::vector<MemoryRegistryApi::Subscription> MemoryRegistryApi::ActiveSubscriptions() const {
    return subscriptions_;
}

}  // namespace registry::testing
