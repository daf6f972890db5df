// vexo reg query: the output of reg.exe's query. A key's listing is a blank line, the key's
// full name, one "    NAME    TYPE    DATA" line per value, a blank line, then the full names
// of its subkeys; with /s every key below is listed the same way instead.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "importer/registry/registry_api.h"
#include "tools/regfile/reg_document.h"
#include "tools/vexo/reg_arguments.h"

namespace vexo::cli {

// "REG_SZ" for 1 ...; a type without a name as its number, "0x100".
std::string RegTypeName(std::uint32_t type);

// Data as reg.exe shows them: texts up to their NUL, a multi-string's parts joined by "\0",
// REG_DWORD and REG_QWORD as 0x and hex digits, everything else as upper-case hex digit pairs.
std::string RegDataText(std::uint32_t type, const std::vector<std::uint8_t>& data);

// Exit status 0, or 1 with a message on err.
int RunRegQuery(registry::RegistryApi& api, const RegRequest& request, std::ostream& out,
                std::ostream& err);

}  // namespace vexo::cli
