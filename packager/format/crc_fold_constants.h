// The constants of carry-less-multiply folding, derived from the polynomial at compile time.
//
// A 128-bit lane holds a stretch of the data as a polynomial (after a byte swap, the first byte
// is the top). Moving a lane d bits further along the data multiplies it by x^d; splitting the
// lane into halves H * x^64 + L gives H * (x^(d+64) mod P) + L * (x^d mod P), two carry-less
// products of at most 96 bits that stay congruent modulo P. The final 32-bit value comes from
// two more such folds and a Barrett reduction with floor(x^64 / P).
#pragma once

#include <cstdint>

#include "packager/format/crc_tables.h"

namespace packager::format::crc {

// x^n mod P as its 32 coefficients below x^32.
constexpr std::uint32_t XPowerModP(unsigned n) {
    std::uint32_t remainder = 1;  // x^0
    for (unsigned i = 0; i < n; ++i) {
        remainder =
            (remainder & 0x80000000u) != 0 ? (remainder << 1) ^ kPolynomial : remainder << 1;
    }
    return remainder;
}

// P with its x^32 term, as the Barrett step multiplies by the whole polynomial.
inline constexpr std::uint64_t kFullPolynomial = (std::uint64_t{1} << 32) | kPolynomial;

// floor(x^64 / P) by long division: 33 bits, the top one set.
constexpr std::uint64_t BarrettQuotient() {
    std::uint64_t quotient = 0;
    std::uint64_t window = std::uint64_t{1} << 32;  // dividend bits 64 down to 32
    for (int degree = 32; degree >= 0; --degree) {
        if ((window & (std::uint64_t{1} << 32)) != 0) {
            quotient |= std::uint64_t{1} << degree;
            window ^= kFullPolynomial;
        }
        window <<= 1;  // the next dividend bit is 0
    }
    return quotient;
}

// The pair of constants that moves a 128-bit lane `bytes` bytes along the data: applied to the
// lane's low and high 64 bits.
struct FoldPair {
    std::uint64_t low;
    std::uint64_t high;
};

constexpr FoldPair FoldBy(unsigned bytes) {
    return {XPowerModP(8 * bytes), XPowerModP(8 * bytes + 64)};
}

inline constexpr FoldPair kFold16 = FoldBy(16);
inline constexpr FoldPair kFold32 = FoldBy(32);
inline constexpr FoldPair kFold48 = FoldBy(48);
inline constexpr FoldPair kFold64 = FoldBy(64);
inline constexpr FoldPair kFold128 = FoldBy(128);
inline constexpr FoldPair kFold256 = FoldBy(256);
inline constexpr FoldPair kFold512 = FoldBy(512);

// For the final reduction of a lane times x^32: x^96 folds its high half, x^64 what is left
// above 64 bits.
inline constexpr std::uint64_t kXPower96 = XPowerModP(96);
inline constexpr std::uint64_t kXPower64 = XPowerModP(64);
inline constexpr std::uint64_t kBarrettQuotient = BarrettQuotient();

}  // namespace packager::format::crc
