#include "packager/format/check_value.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "packager/format/crc_kernels.h"
#include "packager/format/crc_methods.h"
#include "packager/format/crc_tables.h"

namespace packager::format::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

Bytes RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

struct KnownValue {
    std::string_view text;
    std::uint32_t value;
};

constexpr KnownValue kKnownValues[] = {
    {"123456789", 0xFC891918u},
    {"abc", 0x648CBB73u},
    {"", 0x00000000u},
    {"The quick brown fox jumps over the lazy dog", 0x459DEE61u},
};

TEST(CheckValueTable, FollowsTheTableRule) {
    const crc::Table& table = crc::ReferenceTable();
    EXPECT_EQ(table[0], 0u);
    EXPECT_EQ(table[1], 0x04C11DB7u);
    EXPECT_EQ(table[0x80], 0x690CE0EEu);
    EXPECT_EQ(table[255], 0xB1F740B4u);
}

// Entry i of slicing table k: byte i followed by k zero bytes, by the table rule.
TEST(CheckValueTable, SlicingTableKAdvancesByKZeroBytes) {
    const crc::SlicingTables& tables = crc::FilledSlicingTables();
    for (std::size_t k = 0; k < tables.size(); ++k) {
        for (std::size_t i = 0; i < 256; ++i) {
            std::uint8_t bytes[8] = {static_cast<std::uint8_t>(i)};
            ASSERT_EQ(tables[k][i], crc::UpdateTable(0, bytes, k + 1)) << k << ", " << i;
        }
    }
}

TEST(CheckValue, GivesThePublishedValues) {
    for (const KnownValue& known : kKnownValues) {
        EXPECT_EQ(ReferenceCrc(AsBytes(known.text)), known.value) << known.text;
        EXPECT_EQ(ComputeCheckValue(AsBytes(known.text)), known.value) << known.text;
        CheckValue incremental;
        for (char c : known.text) {
            incremental.Update(AsBytes(std::string_view(&c, 1)));
        }
        EXPECT_EQ(incremental.Finish(), known.value) << known.text;
    }
}

TEST(CheckValue, DoesNotDependOnHowTheDataIsDivided) {
    const Bytes data = RandomBytes(40'000, 1);
    const std::span<const std::uint8_t> all(data);
    const std::uint32_t whole = ComputeCheckValue(all);
    EXPECT_EQ(whole, ReferenceCrc(all));

    CheckValue inBlocks;
    inBlocks.Update(all.subspan(0, 16'384));
    inBlocks.Update(all.subspan(16'384, 16'384));
    inBlocks.Update(all.subspan(32'768, 7'232));
    EXPECT_EQ(inBlocks.Finish(), whole);

    std::mt19937 random(2);
    for (int division = 0; division < 50; ++division) {
        CheckValue pieces;
        for (std::size_t at = 0; at < data.size();) {
            const std::size_t n = std::min<std::size_t>(random() % 3000, data.size() - at);
            pieces.Update(all.subspan(at, n));
            at += n;
        }
        EXPECT_EQ(pieces.Finish(), whole) << "division " << division;
    }
}

TEST(CheckValue, ResetStartsAgainAndFinishLeavesTheStateAlone) {
    CheckValue check;
    check.Update(AsBytes("12345"));
    (void)check.Finish();
    check.Update(AsBytes("6789"));
    EXPECT_EQ(check.Finish(), 0xFC891918u);
    check.Reset();
    check.Update(AsBytes("abc"));
    EXPECT_EQ(check.Finish(), 0x648CBB73u);
}

class CrcMethodTest : public testing::TestWithParam<CrcMethod> {
  protected:
    void SetUp() override {
        if (!CrcMethodAvailable(GetParam())) {
            GTEST_SKIP() << CrcMethodName(GetParam()) << " is not available on this processor";
        }
    }
    std::uint32_t Update(std::uint32_t checkRegister, std::span<const std::uint8_t> bytes) {
        return UpdateCheckRegister(GetParam(), checkRegister, bytes);
    }
};

TEST_P(CrcMethodTest, GivesThePublishedValues) {
    for (const KnownValue& known : kKnownValues) {
        EXPECT_EQ(FinishCheckRegister(Update(kCheckRegisterStart, AsBytes(known.text))),
                  known.value)
            << known.text;
    }
}

// The methods other than the table rule, which is the reference itself.
class FastCrcMethodTest : public CrcMethodTest {};

// The folding methods take a different course at every multiple of 16 bytes up to eight full
// registers and one more round (1,024 bytes for the 512-bit one), so every length to 4,096 is
// checked. Slicing-by-8 reads byte by byte and repeats every eight bytes: a shorter range covers
// it and keeps the debug build's run short.
std::size_t LongestChecked(CrcMethod method) {
    return method == CrcMethod::SlicingBy8 ? 512 : 4096;
}

// Every length at every start within a 64-byte line, from a register that is not the usual
// start value, against the table rule run alongside.
TEST_P(FastCrcMethodTest, EqualsTheTableRuleForEveryLengthAndStart) {
    const std::size_t longest = LongestChecked(GetParam());
    constexpr std::size_t kLine = 64;
    const Bytes data = RandomBytes(longest + 2 * kLine, 3);
    const std::uint8_t* line =
        data.data() + (kLine - reinterpret_cast<std::uintptr_t>(data.data()) % kLine) % kLine;
    std::mt19937 random(4);
    for (std::size_t offset = 0; offset < kLine; ++offset) {
        const std::uint32_t start = static_cast<std::uint32_t>(random());
        const std::uint8_t* begin = line + offset;
        std::uint32_t expected = start;
        for (std::size_t length = 0; length <= longest; ++length) {
            if (length > 0) {
                expected = crc::UpdateTable(expected, begin + length - 1, 1);
            }
            const std::uint32_t actual = Update(start, {begin, length});
            if (actual != expected) {
                FAIL() << "length " << length << " at offset " << offset << ": " << std::hex
                       << actual << " instead of " << expected;
            }
        }
    }
}

TEST_P(FastCrcMethodTest, EqualsTheTableRuleOnLargeBuffers) {
    const Bytes data = RandomBytes(1 << 20, 5);
    for (std::size_t size :
         {std::size_t{1} << 20, std::size_t{(1 << 20) - 77}, std::size_t{65'541}}) {
        const std::span<const std::uint8_t> bytes(data.data() + data.size() - size, size);
        EXPECT_EQ(FinishCheckRegister(Update(kCheckRegisterStart, bytes)), ReferenceCrc(bytes))
            << size;
    }
}

// The method's own name without its blanks and dashes, as test names allow.
std::string MethodTestName(const testing::TestParamInfo<CrcMethod>& method) {
    std::string name;
    for (char c : std::string_view(CrcMethodName(method.param))) {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
            name += c;
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Methods, CrcMethodTest, testing::ValuesIn(kAllCrcMethods), MethodTestName);
INSTANTIATE_TEST_SUITE_P(Methods, FastCrcMethodTest,
                         testing::Values(CrcMethod::SlicingBy8, CrcMethod::Clmul,
                                         CrcMethod::Clmul256, CrcMethod::Clmul512),
                         MethodTestName);

}  // namespace
}  // namespace packager::format::test
