// The content of a .reg file: key sections in file order, each with its values, and the
// removals the file asks for. Value data are held as the registry holds them, so that a
// document can be applied to a RegistryApi and read back from one without conversions there:
// texts (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) in UTF-8 with their terminating NULs, REG_DWORD
// as four little-endian bytes, everything else as the bytes written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "importer/registry/registry_api.h"

namespace regfile {

struct ValueEntry {
    std::string name;     // empty: the key's default value ("@")
    bool remove = false;  // "name"=- : the value is to be deleted; type and data unused
    std::uint32_t type = registry::kRegNone;
    std::vector<std::uint8_t> data;

    bool operator==(const ValueEntry&) const = default;
};

struct KeySection {
    registry::Hkey hive = 0;
    std::string subKey;   // below the hive, "\" between levels; empty: the hive itself
    bool remove = false;  // [-HKEY_...\Key]: the key and everything below it are to be deleted
    std::vector<ValueEntry> values;

    bool operator==(const KeySection&) const = default;
};

struct RegDocument {
    std::vector<KeySection> sections;

    bool operator==(const RegDocument&) const = default;
};

}  // namespace regfile
