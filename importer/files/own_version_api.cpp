#include "importer/files/own_version_api.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "common/file_byte_source.h"
#include "importer/files/pe_reader.h"
#include "importer/files/version_block.h"

namespace basFiles {

namespace {

std::optional<std::vector<std::uint8_t>> ReadVersionBlock(std::string_view path,
                                                          std::uint16_t systemLanguage) {
    // Only a regular file is read: a FIFO would wait for a writer, a device give no image.
    std::error_code error;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    const std::unique_ptr<common::FileByteSource> image = common::FileByteSource::Open(file);
    if (!image) {
        return std::nullopt;
    }
    return ReadVersionInfoBlock(*image, systemLanguage);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadVersionInfoBlock(common::ByteSource& image,
                                                              std::uint16_t systemLanguage) {
    auto resource = ReadVersionResource(image, systemLanguage);
    if (!resource) {
        return std::nullopt;
    }
    const std::size_t length = VersionInfoBlockLength(*resource);
    if (length == 0) {
        return std::nullopt;
    }
    resource->resize(length);
    return resource;
}

std::uint32_t OwnVersionInfoApi::GetFileVersionInfoSize(std::string_view path) {
    const auto block = ReadVersionBlock(path, Locale().languageId);
    return block ? static_cast<std::uint32_t>(block->size()) : 0;
}

bool OwnVersionInfoApi::GetFileVersionInfo(std::string_view path, std::span<std::uint8_t> block) {
    const auto data = ReadVersionBlock(path, Locale().languageId);
    if (!data) {
        return false;
    }
    const std::size_t copied = std::min(block.size(), data->size());
    std::copy_n(data->begin(), copied, block.begin());
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(copied), block.end(), std::uint8_t{0});
    return true;
}

std::optional<std::string> OwnVersionInfoApi::VerQueryValue(std::span<const std::uint8_t> block,
                                                            std::string_view subBlock) {
    return QueryVersionValue(block, subBlock);
}

std::uint16_t OwnVersionInfoApi::GetSystemDefaultLangID() {
    return Locale().languageId;
}

std::uint32_t OwnVersionInfoApi::GetACP() {
    return Locale().codePage;
}

WindowsLocale OwnVersionInfoApi::Locale() const {
    return locale_ ? *locale_ : SystemWindowsLocale();
}

}  // namespace basFiles
