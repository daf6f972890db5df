#include "common/byte_order.h"
#include "packager/format/crc_kernels.h"
#include "packager/format/crc_tables.h"

namespace packager::format::crc {

std::uint32_t UpdateTable(std::uint32_t checkRegister, const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        checkRegister = (checkRegister << 8) ^ kReferenceTable[(checkRegister >> 24) ^ data[i]];
    }
    return checkRegister;
}

std::uint32_t UpdateSlicingBy8(std::uint32_t checkRegister, const std::uint8_t* data,
                               std::size_t size) {
    const auto& t = kSlicingTables;
    while (size >= 8) {
        const std::uint32_t a = checkRegister ^ common::LoadBe32(data);
        const std::uint32_t b = common::LoadBe32(data + 4);
        checkRegister = t[7][a >> 24] ^ t[6][(a >> 16) & 0xFF] ^ t[5][(a >> 8) & 0xFF] ^
                        t[4][a & 0xFF] ^ t[3][b >> 24] ^ t[2][(b >> 16) & 0xFF] ^
                        t[1][(b >> 8) & 0xFF] ^ t[0][b & 0xFF];
        data += 8;
        size -= 8;
    }
    return UpdateTable(checkRegister, data, size);
}

}  // namespace packager::format::crc
