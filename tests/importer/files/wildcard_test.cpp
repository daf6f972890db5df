#include "importer/files/wildcard.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace basFiles::test {
namespace {

struct WildcardCase {
    std::string pattern;
    std::string name;
    bool matches;
};

std::ostream& operator<<(std::ostream& out, const WildcardCase& c) {
    return out << '"' << c.pattern << "\" vs \"" << c.name << '"';
}

class WildcardTest : public testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardTest, MatchesAsTheWindowsSearchDoes) {
    const WildcardCase& c = GetParam();
    EXPECT_EQ(MatchesWildcard(c.name, c.pattern), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Stars, WildcardTest,
    testing::Values(WildcardCase{"*", "abc", true}, WildcardCase{"*", ".", true},
                    WildcardCase{"*", "..", true}, WildcardCase{"*", ".hidden", true},
                    WildcardCase{"**", "a", true}, WildcardCase{"*a", "ba", true},
                    WildcardCase{"*a", "bab", false}, WildcardCase{"a*b*c", "aXbYc", true},
                    WildcardCase{"a*b*c", "aXbY", false},
                    WildcardCase{"Season *", "Season 1", true},
                    WildcardCase{"Season *", "Season", false}));

// "*.*" and "*." end in DOS_DOT, which also matches the end of a name without a dot.
INSTANTIATE_TEST_SUITE_P(
    StarDot, WildcardTest,
    testing::Values(WildcardCase{"*.*", "abc", true}, WildcardCase{"*.*", "a.b", true},
                    WildcardCase{"*.*", "a.b.c", true}, WildcardCase{"*.*", ".", true},
                    WildcardCase{"*.", "abc", true}, WildcardCase{"*.", "a.b", false},
                    WildcardCase{"*.", "readme.", true}, WildcardCase{"a.*", "a", true},
                    WildcardCase{"a.*", "a.txt", true}, WildcardCase{"a.*", "ab", false},
                    WildcardCase{"*.?", "a", true}, WildcardCase{"*.?", "a.b", true},
                    WildcardCase{"*.?", "a.bc", false}));

// "*." followed by more text is DOS_STAR: it may pass every dot but the last one.
INSTANTIATE_TEST_SUITE_P(
    DosStar, WildcardTest,
    testing::Values(WildcardCase{"*.mp4", "ep.mp4", true}, WildcardCase{"*.mp4", "a.b.mp4", true},
                    WildcardCase{"*.mp4", "a.mp4.mp4", true}, WildcardCase{"*.mp4", "mp4", false},
                    WildcardCase{"*.mp4", "a.mp4.txt", false}, WildcardCase{"*.a", "x.a.b", false},
                    WildcardCase{"*.b", "a.b.b", true}));

// '?' is DOS_QM: one character, or nothing at a dot or at the end of the name.
INSTANTIATE_TEST_SUITE_P(
    QuestionMarks, WildcardTest,
    testing::Values(WildcardCase{"?", "a", true}, WildcardCase{"?", "ab", false},
                    WildcardCase{"a?c", "abc", true}, WildcardCase{"a?c", "ac", false},
                    WildcardCase{"a?c", "abbc", false}, WildcardCase{"a?c", "a.c", false},
                    WildcardCase{"ab?", "ab", true}, WildcardCase{"ab?", "abc", true},
                    WildcardCase{"ab?", "abcd", false}, WildcardCase{"ep??.mp4", "ep1.mp4", true},
                    WildcardCase{"ep??.mp4", "ep12.mp4", true},
                    WildcardCase{"ep??.mp4", "ep.mp4", true},
                    WildcardCase{"ep??.mp4", "ep123.mp4", false}));

INSTANTIATE_TEST_SUITE_P(
    CaseAndLiterals, WildcardTest,
    testing::Values(WildcardCase{"SEASON*", "season 1", true}, WildcardCase{"*.Mp4", "x.mP4", true},
                    WildcardCase{"abc", "ABC", true}, WildcardCase{"abc", "abd", false},
                    // only ASCII letters fold: e-acute and E-acute differ
                    WildcardCase{"\xc3\xa9*", "\xc3\xa9t\xc3\xa9", true},
                    WildcardCase{"\xc3\xa9", "\xc3\x89", false},
                    // the characters Windows would read as DOS wildcards are plain here
                    WildcardCase{"a<b", "a<b", true}, WildcardCase{"a<b", "axb", false},
                    WildcardCase{"a>\"", "a>\"", true}, WildcardCase{"a>", "ab", false}));

INSTANTIATE_TEST_SUITE_P(EmptyTexts, WildcardTest,
                         testing::Values(WildcardCase{"", "", true}, WildcardCase{"*", "", false},
                                         WildcardCase{"", "a", false}));

TEST(WildcardTest, ManyStarsAgainstALongNameStayPolynomial) {
    const std::string name(5000, 'a');
    const WildcardPattern pattern("*a*a*a*a*a*a*a*a*a*a*b");
    EXPECT_FALSE(pattern.Matches(name));
    EXPECT_TRUE(pattern.Matches(name + "b"));
    EXPECT_FALSE(MatchesWildcard(name, "*.*.*.*.*.*.*.*.b"));
}

TEST(WildcardTest, OnlyStarAndQuestionMarkAreWildcards) {
    EXPECT_TRUE(HasWildcards("Season *"));
    EXPECT_TRUE(HasWildcards("ep?"));
    EXPECT_FALSE(HasWildcards("a<b>\"c.mp4"));
}

}  // namespace
}  // namespace basFiles::test
