// The version-information operations answered by our own reader of the published formats: the
// version resource is found in the file's PE resource directory and read as a VS_VERSIONINFO
// block. Serves every platform; the system's language and code page come from system_locale.h.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/byte_source.h"
#include "importer/files/pe_reader.h"
#include "importer/files/system_locale.h"
#include "importer/files/version_api.h"

namespace basFiles {

// The VS_VERSIONINFO block of a PE image, cut to its root node's own length; std::nullopt when
// the image has no version resource or it is no VS_VERSIONINFO block. Of several languages,
// the one the Windows loader would take on a system of systemLanguage (pe_reader.h).
std::optional<std::vector<std::uint8_t>> ReadVersionInfoBlock(
    common::ByteSource& image, std::uint16_t systemLanguage = kUsEnglishResourceLanguage);

class OwnVersionInfoApi final : public VersionInfoApi {
  public:
    // Language and code page follow the process's locale at each call.
    OwnVersionInfoApi() = default;
    // Language and code page as a given system would report them.
    explicit OwnVersionInfoApi(WindowsLocale locale) : locale_(locale) {}

    // The length of the file's VS_VERSIONINFO block; 0 when the file is missing, unreadable,
    // no PE image, or its version resource is no VS_VERSIONINFO block.
    std::uint32_t GetFileVersionInfoSize(std::string_view path) override;

    // Copies the block, as much of it as fits; bytes of block past it are set to 0.
    bool GetFileVersionInfo(std::string_view path, std::span<std::uint8_t> block) override;

    std::optional<std::string> VerQueryValue(std::span<const std::uint8_t> block,
                                             std::string_view subBlock) override;

    std::uint16_t GetSystemDefaultLangID() override;
    std::uint32_t GetACP() override;

  private:
    WindowsLocale Locale() const;

    std::optional<WindowsLocale> locale_;
};

}  // namespace basFiles
