// The folding constants are checked against the table rule itself: x^n mod P is the register
// that the table rule leaves, from 0, after a message whose only set bit stands for x^(n-32).
#include "packager/format/crc_fold_constants.h"

#include <gtest/gtest.h>

#include <vector>

#include "packager/format/crc_kernels.h"

namespace packager::format::crc::test {
namespace {

std::uint32_t XPowerByTheTableRule(unsigned n) {
    if (n < 32) {
        return std::uint32_t{1} << n;
    }
    const unsigned degree = n - 32;
    std::vector<std::uint8_t> message(degree / 8 + 1, 0);
    message[0] = static_cast<std::uint8_t>(1u << (degree % 8));
    return UpdateTable(0, message.data(), message.size());
}

// Carry-less product of two polynomials below x^64, as its high and low 64 bits.
struct Product {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
};

Product CarrylessMultiply(std::uint64_t a, std::uint64_t b) {
    Product product;
    for (int bit = 0; bit < 64; ++bit) {
        if (((b >> bit) & 1) != 0) {
            product.low ^= a << bit;
            product.high ^= bit == 0 ? 0 : a >> (64 - bit);
        }
    }
    return product;
}

TEST(FoldConstants, AreThePowersOfXModuloThePolynomial) {
    for (unsigned n : {0u, 1u, 31u, 32u, 33u, 64u, 96u, 128u, 192u, 256u, 320u, 384u, 448u, 512u,
                       576u, 2048u, 2112u, 4096u, 4160u}) {
        EXPECT_EQ(XPowerModP(n), XPowerByTheTableRule(n)) << "x^" << n;
    }
    EXPECT_EQ(kFold16.low, XPowerByTheTableRule(128));
    EXPECT_EQ(kFold16.high, XPowerByTheTableRule(192));
    EXPECT_EQ(kFold256.high, XPowerByTheTableRule(2112));
    EXPECT_EQ(kFold512.high, XPowerByTheTableRule(4160));
}

TEST(FoldConstants, BarrettQuotientIsXToThe64DividedByThePolynomial) {
    // quotient * P = x^64 + a remainder below x^32.
    const Product product = CarrylessMultiply(kBarrettQuotient, kFullPolynomial);
    EXPECT_EQ(product.high, 1u);
    EXPECT_EQ(product.low >> 32, 0u);
    EXPECT_EQ(product.low, XPowerModP(64));
    EXPECT_EQ(kBarrettQuotient, 0x104D101DFu);
}

}  // namespace
}  // namespace packager::format::crc::test
