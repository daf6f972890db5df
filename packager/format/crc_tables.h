// The lookup tables of the check value, filled from the polynomial at their first use.
//
// The check value treats the data as one long polynomial over GF(2), first byte's top bit
// highest, so a table entry is a byte's contribution i(x) * x^(8k + 32) mod P(x).
//
// They are filled at run time rather than built at compile time: as constants they were 9 KiB
// of every package's stub, and filling them takes a few microseconds, once.
#pragma once

#include <array>
#include <cstdint>

namespace packager::format::crc {

// P(x) = x^32 + x^26 + x^23 + x^22 + x^16 + x^12 + x^11 + x^10 + x^8 + x^7 + x^5 + x^4 + x^2 + x +
// 1; x^32 is implied.
inline constexpr std::uint32_t kPolynomial = 0x04C11DB7u;

using Table = std::array<std::uint32_t, 256>;

// Slicing-by-8: table k holds the contribution of a byte that has k more bytes after it in an
// eight-byte group, i.e. table k-1 advanced by one more byte of zeros. Table 0 is the table
// rule's own: for each i, c = i << 24, then eight times shift left by one and, when the bit
// shifted out was set, XOR the polynomial.
using SlicingTables = std::array<Table, 8>;

// Filled by the first call, which any thread may make; the stub, built without guarded statics,
// computes check values on its worker thread alone.
const SlicingTables& FilledSlicingTables();

inline const Table& ReferenceTable() {
    return FilledSlicingTables()[0];
}

}  // namespace packager::format::crc
