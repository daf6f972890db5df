// clsRegistry on this machine's registry, environment and program file. Kept apart from the
// class itself so that programs that hand in their own registry and services (the tests) do
// not link the machine's.
#include "common/environment.h"
#include "common/own_program.h"
#include "importer/registry/clsRegistry.h"

namespace registry {
namespace {

RegistryServices MachineServices() {
    return RegistryServices{[](std::string_view text, char* destination, std::uint32_t size) {
                                return common::ExpandEnvironmentStringsA(text, destination, size);
                            },
                            [] { return common::OwnProgramFile(); }};
}

}  // namespace

clsRegistry::clsRegistry() : clsRegistry(SystemRegistryApi()) {}

clsRegistry::clsRegistry(RegistryApi& api) : clsRegistry(api, MachineServices()) {}

}  // namespace registry
