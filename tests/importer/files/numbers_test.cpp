#include "importer/files/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace basFiles::test {
namespace {

struct LeadingCase {
    std::string text;
    double value;
};

class LeadingNumberTest : public testing::TestWithParam<LeadingCase> {};

TEST_P(LeadingNumberTest, ReadsTheNumberAtTheStart) {
    EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Names, LeadingNumberTest,
    testing::Values(
        // names of episodes and seasons
        LeadingCase{"01 Pilot", 1}, LeadingCase{"1 2 x", 12}, LeadingCase{"1x03", 1},
        LeadingCase{"2.5", 2.5}, LeadingCase{"Season 1", 0}, LeadingCase{"", 0},
        LeadingCase{"007", 7}, LeadingCase{"13 - The End.mp4", 13},
        // blanks, tabs and line feeds vanish wherever they are; other white space ends
        LeadingCase{" \t\n4\t2", 42}, LeadingCase{"4\r2", 4}, LeadingCase{"- 3", -3},
        // signs, fractions and exponents
        LeadingCase{"+5", 5}, LeadingCase{"-5", -5}, LeadingCase{"--5", 0}, LeadingCase{".5", 0.5},
        LeadingCase{"5.", 5}, LeadingCase{".", 0}, LeadingCase{"1.2.3", 1.2},
        LeadingCase{"1e3", 1000}, LeadingCase{"1E+2x", 100}, LeadingCase{"1d2", 100},
        LeadingCase{"25D-1", 2.5}, LeadingCase{"1e", 1}, LeadingCase{"1e+", 1},
        LeadingCase{"2,5", 2},
        // hexadecimal and octal integers
        LeadingCase{"&HFF", 255}, LeadingCase{"&hff", 255}, LeadingCase{"&H1G", 1},
        LeadingCase{"&O17", 15}, LeadingCase{"&o78", 7}, LeadingCase{"& H 1 0", 16},
        LeadingCase{"&H", 0}, LeadingCase{"&X1", 0}, LeadingCase{"-&H10", 0}));

TEST(LeadingNumber, HugeExponentGivesInfinityAndTinyGivesZero) {
    EXPECT_TRUE(std::isinf(LeadingNumber("9e999999")));
    EXPECT_LT(LeadingNumber("-9e999999"), 0);
    EXPECT_EQ(LeadingNumber("9e-999999"), 0.0);
    EXPECT_EQ(LeadingNumber("0e999999"), 0.0);
}

// A locale whose decimal separator is ",": on Linux the test build compiles de_DE.UTF-8 into
// LOCPATH; Windows has German by its own name.
#ifdef _WIN32
constexpr const char* kCommaLocale = "German_Germany.1252";
#else
constexpr const char* kCommaLocale = "de_DE.UTF-8";
#endif

TEST(LeadingNumber, DecimalPointIgnoresTheLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, kCommaLocale), nullptr);
    const double pointed = LeadingNumber("2.5");
    const double commaed = LeadingNumber("2,5");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_DOUBLE_EQ(pointed, 2.5);
    EXPECT_DOUBLE_EQ(commaed, 2);
}

struct RoundCase {
    double value;
    std::optional<std::int32_t> rounded;
};

class RoundToLongTest : public testing::TestWithParam<RoundCase> {};

TEST_P(RoundToLongTest, RoundsHalvesToEvenAndReportsOverflow) {
    EXPECT_EQ(RoundToLong(GetParam().value), GetParam().rounded) << GetParam().value;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Values, RoundToLongTest,
    testing::Values(RoundCase{1.5, 2}, RoundCase{2.5, 2}, RoundCase{0.5, 0}, RoundCase{-0.5, 0},
                    RoundCase{-1.5, -2}, RoundCase{-2.5, -2}, RoundCase{3.5, 4},
                    RoundCase{2.4999, 2}, RoundCase{2.5001, 3}, RoundCase{-2.6, -3},
                    RoundCase{0, 0}, RoundCase{2147483647.0, 2147483647},
                    RoundCase{2147483647.4, 2147483647}, RoundCase{2147483647.5, std::nullopt},
                    RoundCase{2147483648.0, std::nullopt},
                    RoundCase{-2147483648.0, std::numeric_limits<std::int32_t>::min()},
                    RoundCase{-2147483648.5, std::numeric_limits<std::int32_t>::min()},
                    RoundCase{-2147483648.6, std::nullopt}, RoundCase{1e300, std::nullopt},
                    RoundCase{kInfinity, std::nullopt}, RoundCase{-kInfinity, std::nullopt},
                    RoundCase{kNaN, std::nullopt}));

}  // namespace
}  // namespace basFiles::test
