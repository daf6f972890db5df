// Windows handles as the 32-bit values that cross our seams (listing handles, registry keys,
// events). A 32-bit program's handles are 32 bits wide; a 64-bit one's fit in 32 bits as
// signed values, which is how the predefined registry keys (0x80000000 ...) are written.
#pragma once

#include <cstdint>

namespace common::win32 {

template <typename Handle>
std::uint32_t HandleValue(Handle handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

template <typename Handle>
Handle HandleFromValue(std::uint32_t value) {
    return reinterpret_cast<Handle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}

}  // namespace common::win32
