#include "tools/regfile/key_path.h"

#include <array>

#include "common/ascii_case.h"

namespace regfile {
namespace {

struct Hive {
    registry::Hkey handle;
    std::string_view name;
    std::string_view shortName;
};

constexpr std::array<Hive, 5> kHives = {{
    {registry::kHkeyClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {registry::kHkeyCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {registry::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {registry::kHkeyUsers, "HKEY_USERS", "HKU"},
    {registry::kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
}};

}  // namespace

std::optional<KeyPath> ParseKeyPath(std::string_view text) {
    const std::size_t separator = text.find('\\');
    const std::string_view root = text.substr(0, separator);
    std::string_view below;
    if (separator != std::string_view::npos) {
        below = text.substr(separator + 1);
        if (below.ends_with('\\')) {
            below.remove_suffix(1);
        }
        if (below.empty() || below.starts_with('\\') || below.ends_with('\\') ||
            below.find("\\\\") != std::string_view::npos) {
            return std::nullopt;
        }
    }
    for (const Hive& hive : kHives) {
        if (common::EqualsIgnoringAsciiCase(root, hive.name) ||
            common::EqualsIgnoringAsciiCase(root, hive.shortName)) {
            return KeyPath{hive.handle, std::string(below)};
        }
    }
    return std::nullopt;
}

std::string_view HiveName(registry::Hkey hive) {
    for (const Hive& known : kHives) {
        if (known.handle == hive) {
            return known.name;
        }
    }
    return {};
}

std::string FullKeyName(registry::Hkey hive, std::string_view subKey) {
    std::string name(HiveName(hive));
    if (!subKey.empty()) {
        name += '\\';
        name += subKey;
    }
    return name;
}

}  // namespace regfile
