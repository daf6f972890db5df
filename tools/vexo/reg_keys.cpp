#include "tools/vexo/reg_keys.h"

#include "tools/regfile/key_path.h"

namespace vexo::cli {

using registry::Status;

namespace {

// Registry names are short (255 characters for keys, 16383 for values); a buffer that grows
// past this is taken as a registry that answers nonsense.
constexpr std::uint32_t kLongestName = 1u << 20;

Status ReadSubkeyNamesAndClose(registry::RegistryApi& api, registry::Hkey hive,
                               std::string_view subKey, std::vector<std::string>& names) {
    OpenedKey key(api);
    const Status status =
        key.Open(hive, subKey, registry::kKeyEnumerateSubKeys | registry::kKeyQueryValue);
    return status != registry::kErrorSuccess ? status : ReadSubkeyNames(api, key.get(), names);
}

}  // namespace

std::string JoinKey(std::string_view parent, std::string_view child) {
    std::string joined(parent);
    if (!joined.empty()) {
        joined += '\\';
    }
    joined += child;
    return joined;
}

Status ReadValue(registry::RegistryApi& api, registry::Hkey key, std::string_view name,
                 regfile::ValueEntry& value) {
    value = {std::string(name), false, registry::kRegNone, {}};
    std::uint32_t size = 0;
    Status status = api.RegQueryValueEx(key, name, &value.type, nullptr, &size);
    // The value may grow between asking for its size and reading it: ask again then.
    while (status == registry::kErrorSuccess || status == registry::kErrorMoreData) {
        value.data.resize(size);
        std::uint8_t spare = 0;
        status = api.RegQueryValueEx(key, name, &value.type,
                                     value.data.empty() ? &spare : value.data.data(), &size);
        if (status == registry::kErrorSuccess) {
            value.data.resize(size);
            return status;
        }
    }
    return status;
}

Status ReadValues(registry::RegistryApi& api, registry::Hkey key,
                  std::vector<regfile::ValueEntry>& values) {
    std::vector<char> name(256);
    std::vector<std::uint8_t> data(4096);
    for (std::uint32_t index = 0;;) {
        auto nameLength = static_cast<std::uint32_t>(name.size());
        auto dataSize = static_cast<std::uint32_t>(data.size());
        std::uint32_t type = registry::kRegNone;
        const Status status =
            api.RegEnumValue(key, index, name.data(), nameLength, &type, data.data(), &dataSize);
        if (status == registry::kErrorNoMoreItems) {
            return registry::kErrorSuccess;
        }
        if (status == registry::kErrorMoreData) {
            // The reported data size tells which of the two did not fit.
            if (dataSize > data.size()) {
                data.resize(dataSize);
            } else if (name.size() < kLongestName) {
                name.resize(name.size() * 2);
            } else {
                return status;
            }
            continue;
        }
        if (status != registry::kErrorSuccess) {
            return status;
        }
        values.push_back({std::string(name.data(), nameLength), false, type,
                          std::vector<std::uint8_t>(data.begin(), data.begin() + dataSize)});
        ++index;
    }
}

Status ReadSubkeyNames(registry::RegistryApi& api, registry::Hkey key,
                       std::vector<std::string>& names) {
    std::vector<char> name(256);
    for (std::uint32_t index = 0;;) {
        auto length = static_cast<std::uint32_t>(name.size());
        const Status status = api.RegEnumKeyEx(key, index, name.data(), length);
        if (status == registry::kErrorNoMoreItems) {
            return registry::kErrorSuccess;
        }
        if (status == registry::kErrorMoreData && name.size() < kLongestName) {
            name.resize(name.size() * 2);
            continue;
        }
        if (status != registry::kErrorSuccess) {
            return status;
        }
        names.emplace_back(name.data(), length);
        ++index;
    }
}

Status DeleteTree(registry::RegistryApi& api, registry::Hkey hive, std::string_view subKey) {
    // The children are listed first and then deleted, so that a child that refuses to go
    // ends the work instead of being met again and again.
    std::vector<std::string> children;
    Status status = ReadSubkeyNamesAndClose(api, hive, subKey, children);
    for (const std::string& child : children) {
        if (status != registry::kErrorSuccess) {
            break;
        }
        status = DeleteTree(api, hive, JoinKey(subKey, child));
    }
    return status != registry::kErrorSuccess ? status : api.RegDeleteKey(hive, subKey);
}

Status DeleteAllValues(registry::RegistryApi& api, registry::Hkey hive, std::string_view subKey) {
    OpenedKey key(api);
    Status status = key.Open(hive, subKey, registry::kKeyQueryValue | registry::kKeySetValue);
    std::vector<regfile::ValueEntry> values;
    if (status == registry::kErrorSuccess) {
        status = ReadValues(api, key.get(), values);
    }
    for (const regfile::ValueEntry& value : values) {
        if (status != registry::kErrorSuccess) {
            break;
        }
        status = api.RegDeleteValue(key.get(), value.name);
    }
    return status;
}

Status CollectTree(registry::RegistryApi& api, registry::Hkey hive, std::string_view subKey,
                   regfile::RegDocument& document) {
    regfile::KeySection section{hive, std::string(subKey), false, {}};
    std::vector<std::string> children;
    {
        OpenedKey key(api);
        Status status = key.Open(hive, subKey, registry::kKeyRead);
        if (status == registry::kErrorSuccess) {
            status = ReadValues(api, key.get(), section.values);
        }
        if (status == registry::kErrorSuccess) {
            status = ReadSubkeyNames(api, key.get(), children);
        }
        if (status != registry::kErrorSuccess) {
            return status;
        }
    }
    document.sections.push_back(std::move(section));
    for (const std::string& child : children) {
        const Status status = CollectTree(api, hive, JoinKey(subKey, child), document);
        if (status != registry::kErrorSuccess && status != registry::kErrorFileNotFound &&
            status != registry::kErrorKeyDeleted) {
            return status;
        }
    }
    return registry::kErrorSuccess;
}

Status ApplyDocument(registry::RegistryApi& api, const regfile::RegDocument& document,
                     ApplyFailure& failure) {
    for (const regfile::KeySection& section : document.sections) {
        failure = {regfile::FullKeyName(section.hive, section.subKey), section.line};
        if (section.remove) {
            const Status status = DeleteTree(api, section.hive, section.subKey);
            if (status != registry::kErrorSuccess && status != registry::kErrorFileNotFound) {
                return status;
            }
            continue;
        }
        OpenedKey key(api);
        Status status = key.Create(section.hive, section.subKey, registry::kKeyWrite);
        if (status != registry::kErrorSuccess) {
            return status;
        }
        for (const regfile::ValueEntry& value : section.values) {
            failure.line = value.line;
            if (value.remove) {
                status = api.RegDeleteValue(key.get(), value.name);
                if (status == registry::kErrorFileNotFound) {
                    status = registry::kErrorSuccess;
                }
            } else {
                const std::uint8_t none = 0;
                status = api.RegSetValueEx(key.get(), value.name, value.type,
                                           value.data.empty() ? &none : value.data.data(),
                                           static_cast<std::uint32_t>(value.data.size()));
            }
            if (status != registry::kErrorSuccess) {
                return status;
            }
        }
    }
    failure = {};
    return registry::kErrorSuccess;
}

}  // namespace vexo::cli
