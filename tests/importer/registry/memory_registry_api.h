// A registry held in memory, for tests: the seven predefined hives, keys whose names compare
// without regard to ASCII case and keep their spelling, typed values as bytes, and the buffer
// and status conventions of RegistryApi. Handles carry the access they were opened with and
// every operation checks it. A synchronous change wait returns at once; asynchronous
// subscriptions are only recorded.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "importer/registry/registry_api.h"

namespace registry::testing {

class MemoryRegistryApi : public RegistryApi {
  public:
    MemoryRegistryApi();
    ~MemoryRegistryApi() override;

    Status RegOpenKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) override;
    Status RegCreateKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) override;
    Status RegQueryValueEx(Hkey key, std::string_view valueName, std::uint32_t* type,
                           std::uint8_t* data, std::uint32_t* dataSize) override;
    Status RegSetValueEx(Hkey key, std::string_view valueName, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t dataSize) override;
    Status RegEnumKeyEx(Hkey key, std::uint32_t index, char* name,
                        std::uint32_t& nameLength) override;
    Status RegEnumValue(Hkey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                        std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override;
    Status RegDeleteKey(Hkey key, std::string_view subKey) override;
    Status RegDeleteValue(Hkey key, std::string_view valueName) override;
    Status RegNotifyChangeKeyValue(Hkey key, bool watchSubtree, std::uint32_t filter,
                                   EventHandle event, bool asynchronous) override;
    Status RegCloseKey(Hkey key) override;

    // Handles opened or created and not yet closed.
    std::size_t OpenHandleCount() const { return handles_.size(); }

    struct Subscription {
        Hkey key;
        bool watchSubtree;
        std::uint32_t filter;
        EventHandle event;
    };
    // Asynchronous subscriptions whose key is still open.
    std::vector<Subscription> ActiveSubscriptions() const;

  private:
    struct Value {
        std::string name;
        std::uint32_t type = kRegNone;
        std::vector<std::uint8_t> data;
    };
    struct Key {
        std::string name;
        bool deleted = false;
        std::vector<std::shared_ptr<Key>> children;
        std::vector<Value> values;  // in the order they were first set
    };
    struct Handle {
        std::shared_ptr<Key> key;
        Access access;
    };

    // The key a handle names with the rights it was opened with, or a status explaining why
    // there is none.
    Status Resolve(Hkey key, Access needed, std::shared_ptr<Key>& found) const;
    Status Walk(const std::shared_ptr<Key>& from, std::string_view path, bool create,
                std::shared_ptr<Key>& found);
    static std::vector<Value>::iterator FindValue(Key& key, std::string_view name);
    Hkey NewHandle(std::shared_ptr<Key> key, Access access);

    std::map<Hkey, std::shared_ptr<Key>> hives_;
    std::map<Hkey, Handle> handles_;
    std::vector<Subscription> subscriptions_;
    Hkey nextHandle_ = 0x100;
};

}  // namespace registry::testing
