// A byte source over memory that counts its reads and can be told to fail one of them.
#pragma once

#include <cstdint>
#include <span>

#include "common/byte_source.h"

namespace packager::format::testing_support {

class RecordingSource final : public common::ByteSource {
  public:
    explicit RecordingSource(std::span<const std::uint8_t> bytes) : inner_(bytes) {}

    std::uint64_t Size() const override { return inner_.Size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        return ++operations != failOperation && inner_.ReadAt(offset, out);
    }

    int operations = 0;
    int failOperation = 0;  // 1-based; 0 fails none

  private:
    common::MemoryByteSource inner_;
};

}  // namespace packager::format::testing_support
