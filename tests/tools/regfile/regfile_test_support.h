// Shorthands for building expected documents, and .reg files in UTF-16LE from readable text.
#pragma once

#include <string_view>
#include <vector>

#include "tests/support/files.h"
#include "tools/regfile/reg_document.h"
#include "tools/regfile/reg_text.h"

namespace regfile::testing_support {

inline ValueEntry Value(std::string name, std::uint32_t type, std::string_view data) {
    return {std::move(name), false, type, vexo::test_support::ToBytes(data)};
}

inline ValueEntry Removal(std::string name) {
    return {std::move(name), true, registry::kRegNone, {}};
}

// A UTF-16LE file with its byte order mark, as regedit and reg.exe write them, of UTF-8 text.
inline std::vector<std::uint8_t> Utf16File(std::string_view text) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    const std::vector<std::uint8_t> body = Utf16LeBytes(NarrowToUtf16(text, NarrowText::Utf8));
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

// The text of such a file in UTF-8; a file without the byte order mark gives "no BOM".
inline std::string Utf16FileText(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
        return "no BOM";
    }
    return Utf16ToNarrow(Utf16FromLeBytes(bytes.subspan(2)), NarrowText::Utf8);
}

}  // namespace regfile::testing_support
