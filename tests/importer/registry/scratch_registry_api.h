// A real registry for tests that write fixed paths: every operation passes to another registry,
// but the predefined hives are rooted in a scratch key of this object's own,
// HKEY_CURRENT_USER\Software\VexoTests\<random>\<hive name>, which it removes with everything
// in it at its end. So a test may write HKEY_LOCAL_MACHINE\Software\... through advapi32 and
// still leave the machine's own keys alone.
#pragma once

#include <map>
#include <string>

#include "importer/registry/registry_api.h"

namespace registry::testing {

class ScratchRegistryApi : public RegistryApi {
  public:
    explicit ScratchRegistryApi(RegistryApi& inner);
    ~ScratchRegistryApi() override;
    ScratchRegistryApi(const ScratchRegistryApi&) = delete;
    ScratchRegistryApi& operator=(const ScratchRegistryApi&) = delete;

    // The scratch key, below HKEY_CURRENT_USER.
    const std::string& Root() const { return root_; }

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
    // A hive's scratch key stays open until the end; closing the hive does nothing.
    Status RegCloseKey(Hkey key) override;

  private:
    // A hive becomes its scratch key (0, which no call accepts, when that cannot be made);
    // any other handle stays as it is.
    Hkey Resolve(Hkey key);

    RegistryApi& inner_;
    std::string root_;
    std::map<Hkey, Hkey> hives_;
};

// Removes the key name below parent with everything below it; false when any part stays.
bool DeleteTree(RegistryApi& api, Hkey parent, const std::string& name);

}  // namespace registry::testing
