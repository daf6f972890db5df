// Finds the version resource of a Windows PE image (PE32 or PE32+) by reading only its headers
// and resource directory, never the whole file.
//
// Which resource is taken: the type RT_VERSION (16); under it the name ID 1 (VS_VERSION_INFO),
// else the directory's first entry; under that the language the Windows loader takes for a
// resource asked for without one: language neutral (0), else the system's language, else its
// primary language with the neutral or the default sublanguage, else US English (0x0409), else
// the first language entry. A file normally carries one version resource; Windows' own
// libraries carry one per language they are translated into.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/byte_source.h"

namespace basFiles {

// At most this many bytes of a version resource are read: its root node's wLength is 16 bits,
// so nothing past it can belong to the VS_VERSIONINFO block.
inline constexpr std::uint32_t kMaxVersionResourceBytes = 0xFFFF;

inline constexpr std::uint16_t kUsEnglishResourceLanguage = 0x0409;

// The bytes of the image's version resource, cut to kMaxVersionResourceBytes; std::nullopt
// when the bytes are no PE image, it has no version resource, or a header, directory or the
// resource itself lies outside the file or its section.
std::optional<std::vector<std::uint8_t>> ReadVersionResource(
    common::ByteSource& image, std::uint16_t systemLanguage = kUsEnglishResourceLanguage);

}  // namespace basFiles
