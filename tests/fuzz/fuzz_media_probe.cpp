// Feeds arbitrary bytes, written to a temporary file, to the media probe of the embedded media
// library. Whatever it accepts must have a picture size and a duration that is not negative.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "importer/itunes/library/media_probe.h"

namespace {

// One private folder for the whole run, removed at exit.
class FuzzFile {
  public:
    FuzzFile() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "fuzz_media_probe-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        path_ = folder_ + "/input.mp4";
    }
    ~FuzzFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::string& Write(const std::uint8_t* data, std::size_t size) {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size)) {
            std::abort();
        }
        std::fclose(file);
        return path_;
    }

  private:
    std::string folder_;
    std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzFile file;
    const auto result = itunes::library::ProbeMedia(file.Write(data, size));
    if (result.media) {
        if (result.media->width <= 0 || result.media->height <= 0 ||
            result.media->duration_ms < 0 || result.media->codec.empty() ||
            !result.reason.empty()) {
            std::abort();
        }
    } else if (result.reason.empty()) {
        std::abort();
    }
    return 0;
}
