// Shorthands for building expected documents.
#pragma once

#include <string_view>
#include <vector>

#include "tests/support/files.h"
#include "tools/regfile/reg_document.h"

namespace regfile::testing_support {

inline ValueEntry Value(std::string name, std::uint32_t type, std::string_view data) {
    return {std::move(name), false, type, vexo::test_support::ToBytes(data)};
}

inline ValueEntry Removal(std::string name) {
    return {std::move(name), true, registry::kRegNone, {}};
}

}  // namespace regfile::testing_support
