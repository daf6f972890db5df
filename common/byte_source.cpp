#include "common/byte_source.h"

#include <algorithm>
#include <cstddef>

namespace common {

bool MemoryByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (!FitsWithin(offset, out.size(), bytes_.size())) {
        return false;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
}

bool ByteReader::Read(std::span<std::uint8_t> out) {
    if (!source_.ReadAt(position_, out)) {
        return false;
    }
    position_ += out.size();
    return true;
}

}  // namespace common
