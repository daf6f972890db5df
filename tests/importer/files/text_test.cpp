#include "importer/files/text.h"

#include <gtest/gtest.h>

#include <string>

namespace basFiles::test {
namespace {

struct SuffixCase {
    std::string text;
    std::string suffix;
    std::string added;    // AddTrailing(text, suffix)
    std::string removed;  // RemoveTrailing(text, suffix)
};

class SuffixTest : public testing::TestWithParam<SuffixCase> {};

TEST_P(SuffixTest, AddsAndRemovesOneSuffix) {
    const SuffixCase& c = GetParam();
    EXPECT_EQ(AddTrailing(c.text, c.suffix), c.added);
    EXPECT_EQ(RemoveTrailing(c.text, c.suffix), c.removed);
}

INSTANTIATE_TEST_SUITE_P(Paths, SuffixTest,
                         testing::Values(SuffixCase{"C:\\TV", "\\", "C:\\TV\\", "C:\\TV"},
                                         SuffixCase{"C:\\TV\\", "\\", "C:\\TV\\", "C:\\TV"},
                                         SuffixCase{"C:\\", "\\", "C:\\", "C:"},
                                         SuffixCase{"", "\\", "\\", ""},
                                         SuffixCase{"\\", "\\", "\\", ""},
                                         SuffixCase{"C:\\TV\\\\", "\\", "C:\\TV\\\\", "C:\\TV\\"},
                                         SuffixCase{"C:\\TV", "", "C:\\TV", "C:\\TV"},
                                         SuffixCase{"/home/tv", "/", "/home/tv/", "/home/tv"},
                                         SuffixCase{"/", "/", "/", ""},
                                         // case-sensitive: "tv" does not end in "TV"
                                         SuffixCase{"show.tv", "TV", "show.tvTV", "show.tv"},
                                         SuffixCase{"a", "abc", "aabc", "a"}));

struct TrimCase {
    std::string text;
    std::string trimmed;
};

class TrimAtNullTest : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimAtNullTest, CutsAtNulAndStripsBlanksOnly) {
    EXPECT_EQ(TrimAtNull(GetParam().text), GetParam().trimmed);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(Names, TrimAtNullTest,
                         testing::Values(TrimCase{"Season 1", "Season 1"},
                                         TrimCase{"  Lost  ", "Lost"},
                                         TrimCase{"Lost\0garbage"s, "Lost"},
                                         TrimCase{"  Lost \0 x "s, "Lost"}, TrimCase{"\0Lost"s, ""},
                                         TrimCase{"\tLost\t", "\tLost\t"},
                                         TrimCase{" \t Lost", "\t Lost"}, TrimCase{"   ", ""},
                                         TrimCase{"", ""}, TrimCase{"a  b", "a  b"}));

}  // namespace
}  // namespace basFiles::test
