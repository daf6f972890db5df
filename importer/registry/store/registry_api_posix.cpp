// The system registry where advapi32 is missing: the store in the machine prefix, shared by
// the whole process.
#include <string>

#include "common/machine_prefix.h"
#include "importer/registry/registry_api.h"
#include "importer/registry/store/store_registry_api.h"

namespace registry {

namespace {

// Empty when the prefix cannot be made; the store then refuses to open and every operation
// reports a failure.
std::string SystemStorePath() {
    return common::EnsureMachinePrefix().has_value() ? common::RegistryStorePath() : std::string();
}

}  // namespace

RegistryApi& SystemRegistryApi() {
    static StoreRegistryApi api(SystemStorePath());
    return api;
}

}  // namespace registry
