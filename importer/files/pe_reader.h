// Finds the version resource of a Windows PE image (PE32 or PE32+) by reading only its headers
// and resource directory, never the whole file.
//
// Which resource is taken: the type RT_VERSION (16); under it the name ID 1 (VS_VERSION_INFO),
// else the directory's first entry; under that the first language entry. Windows would pick the
// language by the thread's preferences, but a file normally carries one version resource and
// its first language is the one its build declared.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "importer/files/byte_source.h"

namespace basFiles {

// At most this many bytes of a version resource are read: its root node's wLength is 16 bits,
// so nothing past it can belong to the VS_VERSIONINFO block.
inline constexpr std::uint32_t kMaxVersionResourceBytes = 0xFFFF;

// The bytes of the image's version resource, cut to kMaxVersionResourceBytes; std::nullopt
// when the bytes are no PE image, it has no version resource, or a header, directory or the
// resource itself lies outside the file or its section.
std::optional<std::vector<std::uint8_t>> ReadVersionResource(ByteSource& image);

}  // namespace basFiles
