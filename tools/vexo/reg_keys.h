// Whole keys through the registry operations, for vexo reg: a key's values and subkeys, a
// subtree deleted, exported to or imported from a .reg document.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "importer/registry/opened_key.h"
#include "importer/registry/registry_api.h"
#include "tools/regfile/reg_document.h"

namespace vexo::cli {

using registry::OpenedKey;

// parent + "\" + child, or child alone below a hive's root.
std::string JoinKey(std::string_view parent, std::string_view child);

// One value of an opened key, its data whole however long.
registry::Status ReadValue(registry::RegistryApi& api, registry::Hkey key, std::string_view name,
                           regfile::ValueEntry& value);

// Every value of an opened key, in the registry's order, data whole.
registry::Status ReadValues(registry::RegistryApi& api, registry::Hkey key,
                            std::vector<regfile::ValueEntry>& values);

// The names of an opened key's subkeys, in the registry's order.
registry::Status ReadSubkeyNames(registry::RegistryApi& api, registry::Hkey key,
                                 std::vector<std::string>& names);

// Deletes hive\subKey and everything below it, deepest first. The first failure ends the work
// and is returned; what was deleted until then stays deleted.
registry::Status DeleteTree(registry::RegistryApi& api, registry::Hkey hive,
                            std::string_view subKey);

// Deletes every value of hive\subKey; its subkeys stay.
registry::Status DeleteAllValues(registry::RegistryApi& api, registry::Hkey hive,
                                 std::string_view subKey);

// Appends a section for hive\subKey and one for each key below it, parents before children.
// A subkey that disappears while the tree is read is left out.
registry::Status CollectTree(registry::RegistryApi& api, registry::Hkey hive,
                             std::string_view subKey, regfile::RegDocument& document);

// Where applying a document failed: the key, and the line of the section or value.
struct ApplyFailure {
    std::string key;
    std::size_t line = 0;
};

// Carries out a document's sections in order: creates keys and sets values, deletes the
// values and keys it names (a missing one is no failure). The first failure ends the work and
// is returned, with where it happened; what was applied before it stays unless the caller runs
// this inside RegistryApi::RunAsOneChange on a registry with transactions.
registry::Status ApplyDocument(registry::RegistryApi& api, const regfile::RegDocument& document,
                               ApplyFailure& failure);

}  // namespace vexo::cli
