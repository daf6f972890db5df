#include "common/byte_order.h"
#include "packager/format/crc_kernels.h"
#include "packager/format/crc_tables.h"

namespace packager::format::crc {

namespace {

struct Tables {
    // Not constexpr, so that no compiler fills them at compile time after all: the program's file
    // holds these loops rather than the 9 KiB they fill.
    Tables() {
        Table& reference = slices[0];
        for (std::uint32_t i = 0; i < reference.size(); ++i) {
            std::uint32_t c = i << 24;
            for (int bit = 0; bit < 8; ++bit) {
                c = (c & 0x80000000u) != 0 ? (c << 1) ^ kPolynomial : c << 1;
            }
            reference[i] = c;
        }
        for (std::size_t k = 1; k < slices.size(); ++k) {
            for (std::size_t i = 0; i < reference.size(); ++i) {
                const std::uint32_t previous = slices[k - 1][i];
                slices[k][i] = (previous << 8) ^ reference[previous >> 24];
            }
        }
    }

    alignas(64) SlicingTables slices;
};

std::uint32_t UpdateByByte(const Table& table, std::uint32_t checkRegister,
                           const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        checkRegister = (checkRegister << 8) ^ table[(checkRegister >> 24) ^ data[i]];
    }
    return checkRegister;
}

}  // namespace

// Not inlined: with the first-use check and the filling in the loops' own function, slicing-by-8
// ran some 7% slower (bench/crc_bench).
[[gnu::noinline]] const SlicingTables& FilledSlicingTables() {
    static const Tables tables;
    return tables.slices;
}

std::uint32_t UpdateTable(std::uint32_t checkRegister, const std::uint8_t* data, std::size_t size) {
    return UpdateByByte(ReferenceTable(), checkRegister, data, size);
}

std::uint32_t UpdateSlicingBy8(std::uint32_t checkRegister, const std::uint8_t* data,
                               std::size_t size) {
    const SlicingTables& t = FilledSlicingTables();
    while (size >= 8) {
        const std::uint32_t a = checkRegister ^ common::LoadBe32(data);
        const std::uint32_t b = common::LoadBe32(data + 4);
        checkRegister = t[7][a >> 24] ^ t[6][(a >> 16) & 0xFF] ^ t[5][(a >> 8) & 0xFF] ^
                        t[4][a & 0xFF] ^ t[3][b >> 24] ^ t[2][(b >> 16) & 0xFF] ^
                        t[1][(b >> 8) & 0xFF] ^ t[0][b & 0xFF];
        data += 8;
        size -= 8;
    }
    return UpdateByByte(t[0], checkRegister, data, size);
}

}  // namespace packager::format::crc
