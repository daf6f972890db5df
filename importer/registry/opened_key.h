// A key opened or created through the registry operations, closed when its owner goes.
#pragma once

#include <string_view>

#include "importer/registry/registry_api.h"

namespace registry {

class OpenedKey {
  public:
    explicit OpenedKey(RegistryApi& api) : api_(api) {}
    ~OpenedKey() { Close(); }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    Status Open(Hkey hive, std::string_view subKey, Access access);
    Status Create(Hkey hive, std::string_view subKey, Access access);
    Hkey get() const { return handle_; }

  private:
    void Close();

    RegistryApi& api_;
    Hkey handle_ = 0;
};

}  // namespace registry
