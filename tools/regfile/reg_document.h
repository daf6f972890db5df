// The content of a .reg file: key sections in file order, each with its values, and the
// removals the file asks for. Value data are held as the registry functions take and give them,
// so that a document can be applied to a RegistryApi and read back from one without conversions
// there: names and texts (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, with their terminating NULs) in
// the registry's 8-bit encoding (reg_text.h), REG_DWORD as four little-endian bytes, everything
// else as the bytes written.
#pragma once

#include <cstddef>
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
    // Where the value stands in the file it was read from (from 1; 0 when it was not read from
    // one). It is no part of the value, and documents compare without it.
    std::size_t line = 0;

    bool operator==(const ValueEntry& other) const {
        return name == other.name && remove == other.remove && type == other.type &&
               data == other.data;
    }
};

struct KeySection {
    registry::Hkey hive = 0;
    std::string subKey;   // below the hive, "\" between levels; empty: the hive itself
    bool remove = false;  // [-HKEY_...\Key]: the key and everything below it are to be deleted
    std::vector<ValueEntry> values;
    std::size_t line = 0;  // the line of "[...]", as ValueEntry::line

    bool operator==(const KeySection& other) const {
        return hive == other.hive && subKey == other.subKey && remove == other.remove &&
               values == other.values;
    }
};

struct RegDocument {
    std::vector<KeySection> sections;

    bool operator==(const RegDocument&) const = default;
};

}  // namespace regfile
