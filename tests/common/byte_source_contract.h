// What every byte source must do, checked on one that holds the 12 bytes of kContractBytes: give
// exactly the bytes asked for, or fail.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/byte_source.h"

namespace vexo::test_support {

inline constexpr std::string_view kContractBytes = "MZ0123456789";

inline void ExpectReadsExactlyOrFails(common::ByteSource& source) {
    using Two = std::array<std::uint8_t, 2>;
    EXPECT_EQ(source.Size(), kContractBytes.size());
    Two two{};
    EXPECT_TRUE(source.ReadAt(0, two));
    EXPECT_EQ(two, (Two{'M', 'Z'}));
    EXPECT_TRUE(source.ReadAt(10, two));
    EXPECT_EQ(two, (Two{'8', '9'}));
    EXPECT_FALSE(source.ReadAt(12, two));  // at the end
    EXPECT_FALSE(source.ReadAt(11, two));  // one byte left: a short read fails
    EXPECT_FALSE(source.ReadAt(0xFFFFFFFFFFFFFFFF, two));
    EXPECT_TRUE(source.ReadAt(12, std::span<std::uint8_t>()));
    EXPECT_TRUE(source.ReadAt(2, two));  // usable again after a refused read
    EXPECT_EQ(two, (Two{'0', '1'}));
}

}  // namespace vexo::test_support
