// The registries the clsRegistry behaviour tests run against, and the fixture they share: a
// clsRegistry on a HandleLedger over the backend, so that every test also proves that each
// key the object opened was closed again by the time the object is gone. Besides the registry
// in memory, the tests run on the registry of the platform: the embedded store, or on Windows
// the real registry through advapi32, in a scratch key that each test removes.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "importer/registry/clsRegistry.h"
#include "tests/importer/registry/memory_registry_api.h"
#include "tests/importer/registry/registry_test_support.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"
#ifdef _WIN32
#include "tests/importer/registry/scratch_registry_api.h"
#else
#include "importer/registry/store/store_registry_api.h"
#endif

namespace registry::testing {

struct MemoryBackend {
    static constexpr const char* kName = "Memory";
    RegistryApi& api() { return registry; }
    MemoryRegistryApi registry;
};

#ifdef _WIN32
// advapi32 on the machine's own registry.
struct SystemBackend {
    static constexpr const char* kName = "System";
    RegistryApi& api() { return registry; }
    ScratchRegistryApi registry{SystemRegistryApi()};
};

using RegistryBackends = ::testing::Types<MemoryBackend, SystemBackend>;
#else
// The embedded store, in a file of its own in a temporary folder.
struct StoreBackend {
    static constexpr const char* kName = "Store";
    StoreBackend() { EXPECT_EQ(registry.OpenStatus(), kErrorSuccess); }
    RegistryApi& api() { return registry; }
    vexo::test_support::TempFolder folder;
    StoreRegistryApi registry{(folder.path() / "registry.db").string()};
};

using RegistryBackends = ::testing::Types<MemoryBackend, StoreBackend>;
#endif

struct BackendNames {
    template <typename Backend>
    static std::string GetName(int) {
        return Backend::kName;
    }
};

template <typename Backend>
class clsRegistryBehaviour : public ::testing::Test {
  protected:
    void SetUp() override { object_.emplace(ledger_, TestServices()); }
    void TearDown() override {
        object_.reset();
        EXPECT_EQ(ledger_.Outstanding(), 0u) << "keys left open";
        EXPECT_EQ(ledger_.StrayCloses(), 0) << "handles closed that were never opened";
    }

    clsRegistry& reg() { return *object_; }
    // The backend itself, for setting values up and looking at them.
    RegistryApi& api() { return backend_.api(); }
    HandleLedger& ledger() { return ledger_; }

  private:
    Backend backend_;
    HandleLedger ledger_{backend_.api()};
    std::optional<clsRegistry> object_;
};

// Where the tests keep their values.
inline constexpr Hkey kHive = kHkeyCurrentUser;
inline constexpr const char* kKey = "Software\\VEXO Tests\\Registry";

}  // namespace registry::testing
