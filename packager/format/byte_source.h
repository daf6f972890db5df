// The two operations the package format needs of a file: read the next bytes, and seek to an
// absolute offset. The worker supplies its own executable file; tests and the package writer
// use bytes held in memory.
#pragma once

#include <cstdint>
#include <span>

namespace packager::format {

class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // Fills all of out from the current position and moves past it; false when fewer bytes
    // are there or the read fails (the position is then unspecified).
    virtual bool Read(std::span<std::uint8_t> out) = 0;

    // Moves to an absolute offset. An offset past the end may be accepted; reading there fails.
    virtual bool Seek(std::uint64_t offset) = 0;
};

// A view of bytes owned by the caller, who keeps them alive while the source is used.
class MemoryByteSource final : public ByteSource {
  public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool Read(std::span<std::uint8_t> out) override;
    bool Seek(std::uint64_t offset) override;
    std::uint64_t Position() const { return position_; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
};

}  // namespace packager::format
