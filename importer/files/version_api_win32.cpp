// The version-information operations of version.dll, in their code-page ("A") forms.
#include <windows.h>
// <windows.h> names the A functions by macros that would rename the methods of our seam.
#undef GetFileVersionInfoSize
#undef GetFileVersionInfo
#undef VerQueryValue

#include <limits>
#include <string>
#include <vector>

#include "importer/files/version_api.h"

namespace basFiles {

namespace {

class Win32VersionInfoApi final : public VersionInfoApi {
  public:
    std::uint32_t GetFileVersionInfoSize(std::string_view path) override {
        if (path.find('\0') != std::string_view::npos) {
            return 0;
        }
        DWORD ignored = 0;
        return ::GetFileVersionInfoSizeA(std::string(path).c_str(), &ignored);
    }

    bool GetFileVersionInfo(std::string_view path, std::span<std::uint8_t> block) override {
        if (path.find('\0') != std::string_view::npos ||
            block.size() > std::numeric_limits<DWORD>::max()) {
            return false;
        }
        return ::GetFileVersionInfoA(std::string(path).c_str(), 0, static_cast<DWORD>(block.size()),
                                     block.data()) != FALSE;
    }

    // VerQueryValueA converts a text value into the code page inside the block it is given,
    // in the room that GetFileVersionInfoSizeA reserved there: it is handed a copy, so that
    // the caller's block stays as it was read.
    std::optional<std::string> VerQueryValue(std::span<const std::uint8_t> block,
                                             std::string_view subBlock) override {
        if (subBlock.find('\0') != std::string_view::npos) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> copy(block.begin(), block.end());
        void* value = nullptr;
        UINT length = 0;
        if (!::VerQueryValueA(copy.data(), std::string(subBlock).c_str(), &value, &length) ||
            value == nullptr) {
            return std::nullopt;
        }
        return std::string(static_cast<const char*>(value), length);
    }

    std::uint16_t GetSystemDefaultLangID() override { return ::GetSystemDefaultLangID(); }
    std::uint32_t GetACP() override { return ::GetACP(); }
};

}  // namespace

VersionInfoApi& SystemVersionInfoApi() {
    static Win32VersionInfoApi api;
    return api;
}

}  // namespace basFiles
