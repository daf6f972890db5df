// A file read by offset, through the C++ library's streams (the setup stub, which has no use
// for them, includes byte_source.h alone).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "common/byte_source.h"

namespace common {

class FileByteSource final : public ByteSource {
  public:
    // The file opened for reading; null when it cannot be, with the reason in *error when one
    // is asked for ("is a folder", or the system's own, such as "No such file or directory").
    static std::unique_ptr<FileByteSource> Open(const std::filesystem::path& path,
                                                std::string* error = nullptr);

    // The file's size when it was opened.
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

    // Up to out.size() bytes from offset on, fewer only at the end of the file (which may have
    // grown since it was opened); std::nullopt when the read fails.
    std::optional<std::size_t> ReadUpTo(std::uint64_t offset, std::span<std::uint8_t> out);

  private:
    FileByteSource(std::ifstream stream, std::uint64_t size)
        : stream_(std::move(stream)), size_(size) {}

    std::ifstream stream_;
    std::uint64_t size_ = 0;
};

}  // namespace common
