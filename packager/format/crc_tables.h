// The lookup tables of the check value, built at compile time from the polynomial.
//
// The check value treats the data as one long polynomial over GF(2), first byte's top bit
// highest, so a table entry is a byte's contribution i(x) * x^(8k + 32) mod P(x).
#pragma once

#include <array>
#include <cstdint>

namespace packager::format::crc {

// P(x) = x^32 + x^26 + x^23 + x^22 + x^16 + x^12 + x^11 + x^10 + x^8 + x^7 + x^5 + x^4 + x^2 + x +
// 1; x^32 is implied.
inline constexpr std::uint32_t kPolynomial = 0x04C11DB7u;

using Table = std::array<std::uint32_t, 256>;

// The table rule itself: for each i, c = i << 24, then eight times shift left by one and, when
// the bit shifted out was set, XOR the polynomial.
constexpr Table MakeReferenceTable() {
    Table table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i << 24;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 0x80000000u) != 0 ? (c << 1) ^ kPolynomial : c << 1;
        }
        table[i] = c;
    }
    return table;
}

inline constexpr Table kReferenceTable = MakeReferenceTable();

// Slicing-by-8: table k holds the contribution of a byte that has k more bytes after it in an
// eight-byte group, i.e. table k-1 advanced by one more byte of zeros.
constexpr std::array<Table, 8> MakeSlicingTables() {
    std::array<Table, 8> tables{};
    tables[0] = MakeReferenceTable();
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::size_t i = 0; i < 256; ++i) {
            const std::uint32_t previous = tables[k - 1][i];
            tables[k][i] = (previous << 8) ^ tables[0][previous >> 24];
        }
    }
    return tables;
}

alignas(64) inline constexpr std::array<Table, 8> kSlicingTables = MakeSlicingTables();

}  // namespace packager::format::crc
