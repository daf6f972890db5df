#include "common/environment.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/ascii_case.h"
#include "tests/support/scoped_environment.h"

namespace common::test {
namespace {

using vexo::test_support::ScopedVariable;

// A lookup over a fixed table, names compared without regard to case.
EnvironmentLookup TableLookup(std::map<std::string, std::string> table) {
    return [table = std::move(table)](std::string_view name) -> std::optional<std::string> {
        for (const auto& [key, value] : table) {
            if (common::EqualsIgnoringAsciiCase(key, name)) {
                return value;
            }
        }
        return std::nullopt;
    };
}

struct ExpansionCase {
    std::string text;
    std::string expanded;

    friend void PrintTo(const ExpansionCase& c, std::ostream* os) { *os << c.text; }
};

class ExpansionTest : public testing::TestWithParam<ExpansionCase> {};

TEST_P(ExpansionTest, FollowsWindowsRules) {
    const EnvironmentLookup lookup = TableLookup({{"SystemRoot", "C:\\WINDOWS"},
                                                  {"Home", "/home/u"},
                                                  {"Percent", "%Home%"},
                                                  {"Empty", ""},
                                                  {"My Var", "spaced"}});
    EXPECT_EQ(ExpandEnvironmentStrings(GetParam().text, lookup), GetParam().expanded);
}

INSTANTIATE_TEST_SUITE_P(
    References, ExpansionTest,
    testing::Values(ExpansionCase{"", ""}, ExpansionCase{"no references", "no references"},
                    ExpansionCase{"%SystemRoot%\\system32", "C:\\WINDOWS\\system32"},
                    ExpansionCase{"%SYSTEMROOT%|%systemroot%", "C:\\WINDOWS|C:\\WINDOWS"},
                    ExpansionCase{"%Home%%Home%", "/home/u/home/u"},
                    ExpansionCase{"%My Var%", "spaced"}, ExpansionCase{"[%Empty%]", "[]"},
                    // Undefined names stay as typed; the scan goes on after the closing "%".
                    ExpansionCase{"%Undefined%", "%Undefined%"},
                    ExpansionCase{"%Undefined%Home%", "%Undefined%Home%"},
                    ExpansionCase{"%Undefined%%Home%", "%Undefined%/home/u"},
                    // "%%" is no escape: the empty name is undefined.
                    ExpansionCase{"100%%", "100%%"}, ExpansionCase{"%%Home%", "%%Home%"},
                    // A "%" that nothing closes stays, and so does the rest.
                    ExpansionCase{"%", "%"}, ExpansionCase{"50% off", "50% off"},
                    ExpansionCase{"%Home%/%Home", "/home/u/%Home"},
                    // A value is copied as it is, never expanded again.
                    ExpansionCase{"%Percent%", "%Home%"}));

TEST(ExpandEnvironmentStringsA, AnswersTheNeededSizeAndFillsOnlyABufferThatFits) {
    ScopedVariable variable("VexoTestValue", "Long long value");
    const std::string text = "<%vexotestvalue%>";
    const std::uint32_t needed = 18;  // 17 characters and the NUL

    EXPECT_EQ(ExpandEnvironmentStringsA(text, nullptr, 0), needed);
    char untouched[4] = "abc";
    EXPECT_EQ(ExpandEnvironmentStringsA(text, untouched, 0), needed);
    EXPECT_STREQ(untouched, "abc");

    char small[8] = "garbage";
    EXPECT_EQ(ExpandEnvironmentStringsA(text, small, sizeof small), needed);
    EXPECT_STREQ(small, "");

    // The size of the expansion without its NUL is one short: the text must not be cut.
    std::string buffer(needed, 'x');
    EXPECT_EQ(ExpandEnvironmentStringsA(text, buffer.data(), needed - 1), needed);
    EXPECT_EQ(buffer[0], '\0');

    EXPECT_EQ(ExpandEnvironmentStringsA(text, buffer.data(), needed), needed);
    EXPECT_STREQ(buffer.c_str(), "<Long long value>");
}

TEST(ExpandEnvironmentStringsA, ReadsTheTextUpToItsFirstNul) {
    char buffer[16] = {};
    const std::string text("ab\0%cd%", 7);
    EXPECT_EQ(ExpandEnvironmentStringsA(text, buffer, sizeof buffer), 3u);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(ExpandEnvironmentStringsA("", buffer, sizeof buffer), 1u);
    EXPECT_STREQ(buffer, "");
}

TEST(ProcessEnvironment, FindsNamesWithoutRegardToCase) {
    ScopedVariable single("Vexo_Only_Once", "once");
    const EnvironmentLookup lookup = ProcessEnvironment();
    EXPECT_EQ(lookup("VEXO_ONLY_ONCE"), "once");
    EXPECT_EQ(lookup("vexo_only_once"), "once");
    EXPECT_EQ(lookup("vexo_not_defined_anywhere"), std::nullopt);
    EXPECT_EQ(lookup(""), std::nullopt);
    EXPECT_EQ(lookup("Vexo_Only_Once=once"), std::nullopt);
}

#ifdef _WIN32
TEST(ProcessEnvironment, ProgramFilesIsTheSystemsOwn) {
    const std::string programFiles = ExpandEnvironmentStrings("%ProgramFiles%");
    EXPECT_NE(programFiles, "%ProgramFiles%");
    EXPECT_EQ(ProcessEnvironment()("PROGRAMFILES"), programFiles);
}
#else
// Only a POSIX environment can hold names that differ only in case.
TEST(ProcessEnvironment, PrefersTheNameWrittenExactlyAsAsked) {
    ScopedVariable lower("vexo_case_test", "lower");
    ScopedVariable upper("VEXO_CASE_TEST", "upper");
    const EnvironmentLookup lookup = ProcessEnvironment();
    EXPECT_EQ(lookup("vexo_case_test"), "lower");
    EXPECT_EQ(lookup("VEXO_CASE_TEST"), "upper");
}

TEST(ProcessEnvironment, ProgramFilesDefaultsToThePrefixFolderUnlessDefined) {
    ScopedVariable prefix("VEXO_PREFIX", "/srv/vexo-prefix");
    {
        ScopedVariable unset("PROGRAMFILES", std::nullopt);
        EXPECT_EQ(ExpandEnvironmentStrings("%ProgramFiles%\\iTunes"),
                  "/srv/vexo-prefix/Program Files\\iTunes");
    }
    ScopedVariable defined("ProgramFiles", "C:\\Program Files");
    EXPECT_EQ(ExpandEnvironmentStrings("%PROGRAMFILES%"), "C:\\Program Files");
}
#endif

}  // namespace
}  // namespace common::test
