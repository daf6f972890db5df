// The loops behind each check-value method, on a running register. The folding kernels take
// any length and start; each hands data too short for its registers to the next narrower one,
// and the last bytes that do not fill a 16-byte lane to slicing-by-8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace packager::format::crc {

std::uint32_t UpdateTable(std::uint32_t checkRegister, const std::uint8_t* data, std::size_t size);
std::uint32_t UpdateSlicingBy8(std::uint32_t checkRegister, const std::uint8_t* data,
                               std::size_t size);

// Only to be called when the processor has the instructions (see cpu_features.h).
std::uint32_t UpdateClmul(std::uint32_t checkRegister, const std::uint8_t* data, std::size_t size);
std::uint32_t UpdateClmul256(std::uint32_t checkRegister, const std::uint8_t* data,
                             std::size_t size);
std::uint32_t UpdateClmul512(std::uint32_t checkRegister, const std::uint8_t* data,
                             std::size_t size);

}  // namespace packager::format::crc
