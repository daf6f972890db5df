// Bytes read by offset from a file or a buffer: the version reader picks out the few headers and
// the one resource it needs without loading a whole executable, and the package format reads
// its way through a package with a ByteReader over the source.
#pragma once

#include <cstdint>
#include <span>

namespace common {

class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // How many bytes there are, as the source was when it was opened.
    virtual std::uint64_t Size() const = 0;

    // Fills all of out with the bytes starting at offset; false (out unspecified) when they are
    // not all there or the read fails.
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

// True when length bytes from offset lie within size bytes, without overflowing.
inline bool FitsWithin(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

// Reads a source from front to back: each read goes on where the one before it ended.
class ByteReader {
  public:
    explicit ByteReader(ByteSource& source, std::uint64_t position = 0)
        : source_(source), position_(position) {}

    // Fills all of out from the position on and moves past it; false when fewer bytes are
    // there or the read fails (the position then stays where it was).
    bool Read(std::span<std::uint8_t> out);

    // Moves to an absolute offset; reading past the end fails.
    void Seek(std::uint64_t offset) { position_ = offset; }
    std::uint64_t Position() const { return position_; }

  private:
    ByteSource& source_;
    std::uint64_t position_;
};

}  // namespace common
