// Writes small but complete Windows PE images (PE32, or PE32+ where a 64-bit image is wanted)
// that carry resources, such as a version resource. The image holds a .text section with an
// entry point that only returns (an executable ends at once with exit code 0, a DLL reports a
// successful attach) and, when there are resources, a .rsrc section with their directory. It
// imports nothing, has no relocations and loads at its preferred base.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "importer/itunes/library/version_resource.h"

namespace itunes::library {

inline constexpr std::uint16_t kVersionResourceType = 16;  // RT_VERSION
inline constexpr std::uint16_t kVersionResourceName = 1;   // VS_VERSION_INFO
inline constexpr std::uint16_t kUsEnglish = 0x0409;

// One resource, addressed by numeric type, name and language as resource compilers usually
// address them. Each (type, name, language) must appear once.
struct Resource {
    std::uint16_t type = kVersionResourceType;
    std::uint16_t name = kVersionResourceName;
    std::uint16_t language = kUsEnglish;
    std::vector<std::uint8_t> data;
};

enum class ImageKind { Executable, Library };
enum class ImageFormat { Pe32, Pe32Plus };  // 32-bit x86, 64-bit x64

struct ImageOptions {
    ImageKind kind = ImageKind::Executable;
    ImageFormat format = ImageFormat::Pe32;
};

// The image's layout, fixed so that callers can find its parts.
inline constexpr std::uint32_t kNewHeaderOffset = 0x80;  // e_lfanew
inline constexpr std::uint32_t kFileAlignment = 0x200;
inline constexpr std::uint32_t kSectionAlignment = 0x1000;

// The image file's bytes; resources sorted by type, name and language into one .rsrc section.
std::vector<std::uint8_t> BuildPeImage(std::span<const Resource> resources,
                                       const ImageOptions& options = {});

// An image whose only resource is the version resource info describes (name 1, US English).
std::vector<std::uint8_t> BuildVersionedImage(const VersionInfo& info,
                                              const ImageOptions& options = {});

// Writes bytes to path, replacing any file there; false when it cannot be written completely.
bool WriteFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace itunes::library
