#include "tools/regfile/reg_text.h"

#include <gtest/gtest.h>

namespace regfile::test {
namespace {

using namespace std::string_literals;

struct TextCase {
    std::string narrow;  // UTF-8, or bytes that are none
    std::u16string wide;
    bool plain;

    friend void PrintTo(const TextCase& c, std::ostream* os) { *os << c.wide.size() << " units"; }
};

class Utf8TextTest : public testing::TestWithParam<TextCase> {};

TEST_P(Utf8TextTest, GoesToUtf16AndBackUnchanged) {
    const TextCase& c = GetParam();
    EXPECT_EQ(NarrowToUtf16(c.narrow, NarrowText::Utf8), c.wide);
    EXPECT_EQ(Utf16ToNarrow(c.wide, NarrowText::Utf8), c.narrow);
    EXPECT_EQ(IsPlainText(c.narrow, NarrowText::Utf8), c.plain);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8TextTest,
    testing::Values(TextCase{"", u"", true}, TextCase{"a\0b"s, u"a\0b"s, true},
                    TextCase{"Caf\xc3\xa9 \xe2\x82\xac", u"Caf\u00e9 \u20ac", true},
                    TextCase{"\xf0\x9f\x98\x80", u"\U0001F600", true},
                    // Bytes that are no UTF-8 travel as U+DC00 + byte.
                    TextCase{"a\xff", u"a\xdcff", false},
                    TextCase{"\xc3", u"\xdcc3", false},                      // cut short
                    TextCase{"\x80", u"\xdc80", false},                      // stray continuation
                    TextCase{"\xc0\xaf", u"\xdcc0\xdcaf", false},            // overlong
                    TextCase{"\xed\xa0\x80", u"\xdced\xdca0\xdc80", false},  // a surrogate
                    TextCase{"\xf4\x90\x80\x80", u"\xdcf4\xdc90\xdc80\xdc80", false},
                    TextCase{"\xf0\x9f\x98\x80\xa0", u"\U0001F600\xdca0", false}));

TEST(Utf16ToNarrow, MakesOtherUnpairedSurrogatesReplacementCharacters) {
    for (const std::u16string& wide : {u"\xd800"s, u"\xdc41"s, u"\xdbff\x41"s}) {
        EXPECT_TRUE(Utf16ToNarrow(wide, NarrowText::Utf8).starts_with("\xef\xbf\xbd"));
    }
}

}  // namespace
}  // namespace regfile::test
