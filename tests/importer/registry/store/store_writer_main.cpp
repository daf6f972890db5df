// The store writer: a separate process that writes to a registry store, for the tests of
// crashes, concurrent writers and notifications across processes. Keys are below
// HKEY_CURRENT_USER.
//
//   store_writer STORE soak COUNT       for i = 0..COUNT-1: create Soak\K<i>\Leaf, set its value
//                                       "v" and Soak's value "v<i>" to i; then print "i" (each
//                                       line acknowledges one finished round)
//   store_writer STORE values TAG COUNT set COUNT values TAG<i> = i in Shared
//   store_writer STORE set KEY NAME     create KEY and set its value NAME
//   store_writer STORE delete KEY       delete KEY
// Each first waits for its standard input to close, and only then opens the store: several
// writers can so be started at the same moment, even on a store that none has made yet.
// Exit status 0 when every write succeeded.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/byte_order.h"
#include "importer/registry/store/store_registry_api.h"

namespace {

using namespace registry;

bool SetDword(RegistryApi& api, Hkey key, const std::string& name, std::uint32_t value) {
    const auto bytes = common::Le32Bytes(value);
    return api.RegSetValueEx(key, name, kRegDword, bytes.data(), bytes.size()) == kErrorSuccess;
}

bool Acknowledge(std::uint32_t round) {
    const std::string line = std::to_string(round) + "\n";
    return write(STDOUT_FILENO, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

int Soak(RegistryApi& api, std::uint32_t count) {
    Hkey soak = 0;
    if (api.RegCreateKeyEx(kHkeyCurrentUser, "Soak", kKeyAllAccess, soak) != kErrorSuccess) {
        return 1;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        Hkey leaf = 0;
        const std::string path = "K" + std::to_string(i) + "\\Leaf";
        if (api.RegCreateKeyEx(soak, path, kKeyAllAccess, leaf) != kErrorSuccess ||
            !SetDword(api, leaf, "v", i) || api.RegCloseKey(leaf) != kErrorSuccess ||
            !SetDword(api, soak, "v" + std::to_string(i), i) || !Acknowledge(i)) {
            return 1;
        }
    }
    return 0;
}

int Values(RegistryApi& api, const std::string& tag, std::uint32_t count) {
    Hkey shared = 0;
    if (api.RegCreateKeyEx(kHkeyCurrentUser, "Shared", kKeyAllAccess, shared) != kErrorSuccess) {
        return 1;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!SetDword(api, shared, tag + std::to_string(i), i)) {
            return 1;
        }
    }
    return 0;
}

int Set(RegistryApi& api, const std::string& key, const std::string& name) {
    Hkey opened = 0;
    if (api.RegCreateKeyEx(kHkeyCurrentUser, key, kKeyAllAccess, opened) != kErrorSuccess) {
        return 1;
    }
    return SetDword(api, opened, name, 1) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    char ignored = 0;
    while (read(STDIN_FILENO, &ignored, 1) > 0) {
    }
    StoreRegistryApi api(argv[1]);
    if (api.OpenStatus() != kErrorSuccess) {
        return 1;
    }
    const std::string command = argv[2];
    const auto number = [](const char* text) {
        return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    };
    if (command == "soak" && argc == 4) {
        return Soak(api, number(argv[3]));
    }
    if (command == "values" && argc == 5) {
        return Values(api, argv[3], number(argv[4]));
    }
    if (command == "set" && argc == 5) {
        return Set(api, argv[3], argv[4]);
    }
    if (command == "delete" && argc == 4) {
        return api.RegDeleteKey(kHkeyCurrentUser, argv[3]) == kErrorSuccess ? 0 : 1;
    }
    return 2;
}
