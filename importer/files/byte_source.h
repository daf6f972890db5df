// Random access to the bytes of a file or a buffer, so that the PE reader can pick out the few
// headers and the one resource it needs without loading a whole executable.
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <span>
#include <string_view>

namespace basFiles {

class ByteSource {
  public:
    virtual ~ByteSource() = default;

    virtual std::uint64_t Size() const = 0;

    // Fills out with the bytes starting at offset; false (out unspecified) when they are not
    // all there.
    virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// A view of bytes owned by the caller, who keeps them alive while the source is used.
class MemoryByteSource final : public ByteSource {
  public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    std::span<const std::uint8_t> bytes_;
};

// A regular file opened for reading; closed when the source goes.
class FileByteSource final : public ByteSource {
  public:
    // std::nullopt when path names no regular file or it cannot be opened.
    static std::optional<FileByteSource> Open(std::string_view path);

    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    FileByteSource(std::ifstream stream, std::uint64_t size)
        : stream_(std::move(stream)), size_(size) {}

    std::ifstream stream_;
    std::uint64_t size_ = 0;
};

}  // namespace basFiles
