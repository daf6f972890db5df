// A file read as the package format reads: the next bytes, and a seek to an absolute offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "packager/format/byte_source.h"

namespace vexo::cli {

class FileByteSource final : public packager::format::ByteSource {
  public:
    // The opened file; null, with the reason in error, when it cannot be read (missing, a
    // folder, no rights).
    static std::unique_ptr<FileByteSource> Open(const std::filesystem::path& path,
                                                std::string& error);

    bool Read(std::span<std::uint8_t> out) override;
    bool Seek(std::uint64_t offset) override;

    // Up to out.size() bytes, fewer only at the end of the file; std::nullopt on a read error.
    std::optional<std::size_t> ReadUpTo(std::span<std::uint8_t> out);

    // The file's size when it was opened.
    std::uint64_t Size() const { return size_; }

  private:
    FileByteSource(std::ifstream stream, std::uint64_t size)
        : stream_(std::move(stream)), size_(size) {}

    std::ifstream stream_;
    std::uint64_t size_ = 0;
};

// The reason a file operation just failed, from errno ("No such file or directory").
std::string LastErrorText();

}  // namespace vexo::cli
