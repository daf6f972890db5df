#include "packager/format/byte_source.h"

#include <algorithm>
#include <cstddef>

namespace packager::format {

bool MemoryByteSource::Read(std::span<std::uint8_t> out) {
    if (position_ > bytes_.size() || out.size() > bytes_.size() - position_) {
        return false;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), out.size(), out.begin());
    position_ += out.size();
    return true;
}

bool MemoryByteSource::Seek(std::uint64_t offset) {
    position_ = offset;
    return true;
}

}  // namespace packager::format
