// Feeds arbitrary bytes to the version reader twice: as a PE image (headers, resource
// directory, then the VS_VERSIONINFO block found there) and directly as a VS_VERSIONINFO block.
// Each block gets the lookups that ReadFileVersionInfo makes - the translation, the twelve
// texts of the table it names - and the fixed information "\".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/byte_source.h"
#include "importer/files/own_version_api.h"
#include "importer/files/version_block.h"
#include "importer/files/version_info.h"

namespace {

// The version operations over one block held in memory; the path is ignored.
class InMemoryVersionApi final : public basFiles::VersionInfoApi {
  public:
    explicit InMemoryVersionApi(std::vector<std::uint8_t> block) : block_(std::move(block)) {}

    std::uint32_t GetFileVersionInfoSize(std::string_view) override {
        return static_cast<std::uint32_t>(block_.size());
    }
    bool GetFileVersionInfo(std::string_view, std::span<std::uint8_t> out) override {
        std::copy_n(block_.begin(), std::min(out.size(), block_.size()), out.begin());
        return true;
    }
    std::optional<std::string> VerQueryValue(std::span<const std::uint8_t> block,
                                             std::string_view subBlock) override {
        return basFiles::QueryVersionValue(block, subBlock);
    }
    std::uint16_t GetSystemDefaultLangID() override { return 0x0409; }
    std::uint32_t GetACP() override { return 1252; }

  private:
    std::vector<std::uint8_t> block_;
};

void ReadLikeTheImporter(std::vector<std::uint8_t> block) {
    InMemoryVersionApi api(std::move(block));
    basFiles::FileVersionRecord record;
    basFiles::ReadFileVersionInfo(api, "fuzzed.exe", record);
    std::vector<std::uint8_t> copy(api.GetFileVersionInfoSize(""));
    api.GetFileVersionInfo("", copy);
    (void)api.VerQueryValue(copy, "\\");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    common::MemoryByteSource image(bytes);
    if (auto block = basFiles::ReadVersionInfoBlock(image)) {
        ReadLikeTheImporter(std::move(*block));
    }

    (void)basFiles::VersionInfoBlockLength(bytes);
    ReadLikeTheImporter(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    return 0;
}
