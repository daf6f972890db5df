// The check value that guards each entry of a package: CRC-32/BZIP2 (polynomial 0x04C11DB7 fed
// most significant bit first, register started at 0xFFFFFFFF, inverted at the end). "123456789"
// gives 0xFC891918. Updating block by block gives the same value for any division of the data.
#pragma once

#include <cstdint>
#include <span>

namespace packager::format {

inline constexpr std::uint32_t kCheckRegisterStart = 0xFFFFFFFFu;

// Feeds bytes into a running register with the fastest method this processor offers.
std::uint32_t UpdateCheckRegister(std::uint32_t checkRegister, std::span<const std::uint8_t> bytes);

constexpr std::uint32_t FinishCheckRegister(std::uint32_t checkRegister) {
    return ~checkRegister;
}

// The check value of one entry, fed block by block.
class CheckValue {
  public:
    void Update(std::span<const std::uint8_t> bytes) {
        register_ = UpdateCheckRegister(register_, bytes);
    }
    // The value of everything fed so far; feeding may go on afterwards.
    std::uint32_t Finish() const { return FinishCheckRegister(register_); }
    void Reset() { register_ = kCheckRegisterStart; }

  private:
    std::uint32_t register_ = kCheckRegisterStart;
};

// The check value of bytes in one go.
std::uint32_t ComputeCheckValue(std::span<const std::uint8_t> bytes);

}  // namespace packager::format
