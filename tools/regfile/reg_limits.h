// What the Windows registry refuses to hold, checked on a whole document before any of it is
// applied: where the registry keeps no transactions (advapi32), a refusal met half-way through an
// import would leave the keys before it written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "importer/registry/registry_api.h"
#include "tools/regfile/reg_document.h"
#include "tools/regfile/reg_text.h"

namespace regfile {

using registry::kMaxKeyDepth;
using registry::kMaxKeyNameLength;
using registry::kMaxValueNameLength;

struct RefusedName {
    std::size_t line = 0;  // the section's or the value's (ValueEntry::line)
    std::string problem;
};

// The first name of the document that the registry would refuse: a level of a key's name or a
// value name that is too long, a key too deep, a name holding NUL.
std::optional<RefusedName> FindRefusedName(const RegDocument& document, NarrowText narrow);

}  // namespace regfile
