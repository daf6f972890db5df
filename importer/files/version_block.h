// Lookups in a VS_VERSIONINFO block, answered the way the Windows version library answers
// VerQueryValue. The block is a tree of nodes:
//
//   wLength (16 bits: the node with its value and children, without trailing padding)
//   wValueLength (16 bits: UTF-16 characters for a text value, bytes for a binary one)
//   wType (16 bits: 1 text, 0 binary)
//   key (UTF-16LE, NUL-terminated), padding to 32 bits
//   value, padding to 32 bits
//   children (nodes, each starting on a 32-bit boundary)
//
// Blocks come from files of unknown origin, so every length is clamped to its parent and a
// malformed node ends the level it is on; no lookup reads outside the block or loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace basFiles {

// The length of the VS_VERSIONINFO node that starts the block (its wLength, cut to the bytes
// present), or 0 when the block does not start with a node keyed "VS_VERSION_INFO".
std::size_t VersionInfoBlockLength(std::span<const std::uint8_t> block);

// The value of the node at subBlock. Components are separated by "\" (empty ones are
// skipped) and matched against node keys without regard to ASCII case; "\" alone names the
// root's value, the VS_FIXEDFILEINFO. A text value comes as UTF-8 of the characters its node
// declares (the terminating NUL and anything after it included, clamped to the node), a binary
// value as its raw bytes. std::nullopt when a component is not found.
std::optional<std::string> QueryVersionValue(std::span<const std::uint8_t> block,
                                             std::string_view subBlock);

}  // namespace basFiles
