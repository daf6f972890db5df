// A byte source over memory that counts its operations and can be told to fail one of them.
#pragma once

#include <cstdint>
#include <span>

#include "packager/format/byte_source.h"

namespace packager::format::testing_support {

class RecordingSource final : public ByteSource {
  public:
    explicit RecordingSource(std::span<const std::uint8_t> bytes) : inner_(bytes) {}

    bool Read(std::span<std::uint8_t> out) override {
        return ++operations != failOperation && inner_.Read(out);
    }
    bool Seek(std::uint64_t offset) override {
        return ++operations != failOperation && inner_.Seek(offset);
    }
    std::uint64_t Position() const { return inner_.Position(); }

    int operations = 0;
    int failOperation = 0;  // 1-based; 0 fails none

  private:
    MemoryByteSource inner_;
};

}  // namespace packager::format::testing_support
