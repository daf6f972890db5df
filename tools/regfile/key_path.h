// Registry key names as people and .reg files write them: a root key - by its full name
// (HKEY_LOCAL_MACHINE) or its short one (HKLM) - then the levels below it, "\" between levels
// on every platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "importer/registry/registry_api.h"

namespace regfile {

struct KeyPath {
    registry::Hkey hive = 0;
    std::string subKey;  // empty: the root key itself

    bool operator==(const KeyPath&) const = default;
};

// The root keys HKEY_CLASSES_ROOT (HKCR), HKEY_CURRENT_USER (HKCU), HKEY_LOCAL_MACHINE (HKLM),
// HKEY_USERS (HKU) and HKEY_CURRENT_CONFIG (HKCC), compared without regard to case. As reg.exe
// reads key names, one "\" may end a path below a root ("HKLM\Software\" is HKLM\Software) but
// not the root itself ("HKLM\"); an empty level ("A\\B", "A\\", or a path that starts with
// "\", as a remote "\\machine\HKLM" does) or an unknown root gives std::nullopt.
std::optional<KeyPath> ParseKeyPath(std::string_view text);

// "HKEY_LOCAL_MACHINE" for kHkeyLocalMachine; empty for a handle that is no root key above.
std::string_view HiveName(registry::Hkey hive);

// The key's full name: "HKEY_LOCAL_MACHINE\SOFTWARE\Vexo", or the hive's name alone.
std::string FullKeyName(registry::Hkey hive, std::string_view subKey);

}  // namespace regfile
