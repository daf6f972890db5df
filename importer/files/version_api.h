// The version-information operations that the file version reader needs, as the Windows
// version library offers them. Windows binds them to version.dll; every platform can use our
// own reader of the published format (OwnVersionInfoApi).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace basFiles {

class VersionInfoApi {
  public:
    virtual ~VersionInfoApi() = default;

    // Size of the file's version data block; 0 when the file has none or cannot be read.
    virtual std::uint32_t GetFileVersionInfoSize(std::string_view path) = 0;

    // Reads the version data block into block (sized as GetFileVersionInfoSize reported).
    virtual bool GetFileVersionInfo(std::string_view path, std::span<std::uint8_t> block) = 0;

    // The value at subBlock ("\VarFileInfo\Translation", "\StringFileInfo\040904B0\FileVersion",
    // keys compared without regard to case). A text value comes as the characters the resource
    // declares for it, its terminating NUL counted, in the program's narrow encoding; a binary
    // value as its bytes. std::nullopt when there is no such value.
    virtual std::optional<std::string> VerQueryValue(std::span<const std::uint8_t> block,
                                                     std::string_view subBlock) = 0;

    // The system's default language identifier and its ANSI code page.
    virtual std::uint16_t GetSystemDefaultLangID() = 0;
    virtual std::uint32_t GetACP() = 0;
};

// The platform's operations: version.dll on Windows, our own reader elsewhere.
VersionInfoApi& SystemVersionInfoApi();

}  // namespace basFiles
