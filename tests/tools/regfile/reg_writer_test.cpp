#include "tools/regfile/reg_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tools/regfile/regfile_test_support.h"
#include "tools/regfile/reg_reader.h"

namespace regfile::test {
namespace {

using namespace std::string_literals;
using registry::kHkeyCurrentUser;
using registry::kHkeyLocalMachine;
using testing_support::Removal;
using testing_support::Utf16File;
using testing_support::Utf16FileText;
using testing_support::Value;

std::vector<std::uint8_t> Written(const RegDocument& document) {
    const FormatOutcome outcome = FormatRegFile(document);
    EXPECT_TRUE(outcome.bytes.has_value()) << outcome.problem;
    return outcome.bytes.value_or(std::vector<std::uint8_t>{});
}

// What `wine reg export HKCU\Software\VexoPeer` (Wine 8.0) wrote, in UTF-8 here: every type,
// the default value, empty data, escapes, names and data beyond ASCII and beyond the BMP, and
// hex lines wrapped after a short name, a long one, and one whose width counts a surrogate pair.
constexpr std::string_view kWineExport =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\VexoPeer]\r\n"
    "@=\"default \\\"q\\\" C:\\\\x\"\r\n"
    "\"Big endian\"=hex(5):00,00,00,01\r\n"
    "\"Binary\"=hex:00,02,04,06,08,0a,0c,0e,10,12,14,16,18,1a,1c,1e,20,22,24,26,28,2a,\\\r\n"
    "  2c,2e,30,32,34,36,38,3a,3c,3e,40,42,44,46,48,4a,4c,4e,50,52,54,56,58,5a,5c,\\\r\n"
    "  5e,60,62,64,66,68,6a,6c,6e,70,72,74,76,78,7a,7c,7e,80,82,84,86,88,8a,8c,8e,\\\r\n"
    "  90,92,94,96,98,9a,9c,9e,a0,a2,a4,a6,a8,aa,ac,ae,b0,b2,b4,b6,b8,ba,bc,be,c0,\\\r\n"
    "  c2,c4,c6\r\n"
    "\"Binary empty\"=hex:\r\n"
    "\"Café €\"=\"üml 😀\"\r\n"
    "\"Dword\"=dword:8000002a\r\n"
    "\"Emoji 😀\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
    "  15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n"
    "\"Empty\"=\"\"\r\n"
    "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,78,00,00,00\r\n"
    "\"Expand long\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,\\\r\n"
    "  00,74,00,25,00,5c,00,73,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,\\\r\n"
    "  78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,\\\r\n"
    "  00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,\\\r\n"
    "  78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,\\\r\n"
    "  00,78,00,78,00,00,00\r\n"
    "\"Lines\"=\"1\\r\\n2\ttab\"\r\n"
    "\"LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL"
    "LLLLLLLLLL\"=hex:00,\\\r\n"
    "  01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,\\\r\n"
    "  1a,1b,1c,1d\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,20,00,63,00,00,00,00,00\r\n"
    "\"Multi empty\"=hex(7):00,00\r\n"
    "\"Name \\\"q\\\" \\\\ b\"=\"v\"\r\n"
    "\"None\"=hex(0):01,02\r\n"
    "\"None empty\"=hex(0):\r\n"
    "\"Odd type\"=hex(80000001):01,02\r\n"
    "\"Qword\"=hex(b):08,07,06,05,04,03,02,01\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\VexoPeer\\Sub é]\r\n"
    "\"x\"=\"1\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\VexoPeer\\Sub é\\Empty]\r\n"
    "\r\n";

TEST(FormatRegFile, WritesWhatWineRegExportWrites) {
    const std::vector<std::uint8_t> wine = Utf16File(kWineExport);
    const ParseOutcome read = ParseRegFile(wine);
    ASSERT_TRUE(read.document) << "line " << read.line << ": " << read.problem;
    ASSERT_EQ(read.document->sections.size(), 3u);
    const std::vector<ValueEntry>& values = read.document->sections[0].values;
    ASSERT_EQ(values.size(), 19u);
    EXPECT_EQ(values[0], Value("", registry::kRegSz, "default \"q\" C:\\x\0"s));
    EXPECT_EQ(values[4], Value("Café €", registry::kRegSz, "üml 😀\0"s));
    EXPECT_EQ(values[5], Value("Dword", registry::kRegDword, "\x2a\0\0\x80"s));
    EXPECT_EQ(values[7], Value("Empty", registry::kRegSz, "\0"s));
    EXPECT_EQ(values[8], Value("Expand", registry::kRegExpandSz, "%TEMP%\\x\0"s));
    EXPECT_EQ(values[10], Value("Lines", registry::kRegSz, "1\r\n2\ttab\0"s));
    EXPECT_EQ(values[12], Value("Multi", registry::kRegMultiSz, "a\0b c\0\0"s));
    EXPECT_EQ(values[13], Value("Multi empty", registry::kRegMultiSz, "\0"s));
    EXPECT_EQ(read.document->sections[2].subKey, "Software\\VexoPeer\\Sub é\\Empty");

    const std::vector<std::uint8_t> ours = Written(*read.document);
    EXPECT_EQ(ours, wine) << Utf16FileText(ours);
}

// Where reg.exe's own form would lose bytes, the value is written in a form that keeps them.
struct FormCase {
    ValueEntry value;
    std::u16string line;  // as written, without its line end

    friend void PrintTo(const FormCase& c, std::ostream* os) { *os << c.value.name; }
};

class FormTest : public testing::TestWithParam<FormCase> {};

TEST_P(FormTest, KeepsEveryByte) {
    const RegDocument document{{{kHkeyCurrentUser, "S", false, {GetParam().value}}}};
    const std::vector<std::uint8_t> bytes = Written(document);
    const std::u16string text = Utf16FromLeBytes(bytes);
    EXPECT_NE(text.find(u"\r\n" + GetParam().line + u"\r\n"), std::u16string::npos)
        << Utf16FileText(bytes);
    const ParseOutcome read = ParseRegFile(bytes);
    ASSERT_TRUE(read.document) << read.problem;
    EXPECT_EQ(*read.document, document);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormTest,
    testing::Values(
        FormCase{Value("no NUL", registry::kRegSz, "ab"), u"\"no NUL\"=hex(1):61,00,62,00"},
        FormCase{Value("no data", registry::kRegSz, ""), u"\"no data\"=hex(1):"},
        FormCase{Value("inner NUL", registry::kRegSz, "a\0b\0"s),
                 u"\"inner NUL\"=hex(1):61,00,00,00,62,00,00,00"},
        FormCase{Value("bad", registry::kRegSz, "a\xff\0"s), u"\"bad\"=hex(1):61,00,ff,dc,00,00"},
        FormCase{Value("bad", registry::kRegExpandSz, "\xc3%\0"s),
                 u"\"bad\"=hex(2):c3,dc,25,00,00,00"},
        FormCase{Value("bad", registry::kRegMultiSz, "\xed\xa0\x80\0\0"s),
                 u"\"bad\"=hex(7):ed,dc,a0,dc,80,dc,00,00,00,00"},
        FormCase{Value("n\xff", registry::kRegSz, "x\0"s), u"\"n\xdcff\"=\"x\""},
        FormCase{Value("n\0\r\n"s, registry::kRegSz, "x\0"s), u"\"n\\0\\r\\n\"=\"x\""},
        FormCase{Value("short", registry::kRegDword, "\1\2"), u"\"short\"=hex(4):01,02"},
        FormCase{Removal("Old"), u"\"Old\"=-"}));

TEST(FormatRegFile, WrapsLongHexBeforeTheEightiethColumn) {
    const RegDocument document{{{kHkeyCurrentUser,
                                 "S",
                                 false,
                                 {Value("B", registry::kRegBinary, std::string(100, 'x'))}}}};
    const std::string text = Utf16FileText(Written(document));
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    // Header, blank, key, then the value: 23 bytes after "B"=hex:, 25 on each full line.
    ASSERT_EQ(lines.size(), 9u);
    std::string first = "\"B\"=hex:";
    for (int i = 0; i < 23; ++i) {
        first += "78,";
    }
    EXPECT_EQ(lines[3], first + "\\");
    for (std::size_t i = 4; i <= 6; ++i) {
        EXPECT_EQ(lines[i].size(), 78u);
        EXPECT_TRUE(lines[i].starts_with("  78,") && lines[i].ends_with(",\\")) << lines[i];
    }
    EXPECT_EQ(lines[7], "  78,78");  // 23 + 3 * 25 + 2 = 100 bytes
    EXPECT_EQ(lines[8], "");
}

TEST(FormatRegFile, ReadingWhatWasWrittenGivesTheDocumentBack) {
    const RegDocument document{{
        {kHkeyLocalMachine,
         "SOFTWARE\\Caf\xc3\xa9\\]odd[\\bad \xff\xfe",
         false,
         {Value("quoted", registry::kRegSz, "tab\there \xe2\x82\xac;\0"s),
          Value("no NUL", registry::kRegSz, "abc"),
          Value("empty", registry::kRegSz, ""),
          Value("empty text", registry::kRegSz, "\0"s),
          Value("inner NUL", registry::kRegSz, "a\0b\0"s),
          Value("two NULs", registry::kRegSz, "a\0\0"s),
          Value("line break", registry::kRegSz, "1\r\n2\0"s),
          Value("not UTF-8 \x80\xc0\xaf", registry::kRegSz, "\xed\xbf\xbf \xf8\x88\0"s),
          Value("short dword", registry::kRegDword, "\1\2"),
          Value("long expand", registry::kRegExpandSz, std::string(300, 'e') + '\0'),
          Value("odd expand", registry::kRegExpandSz, "%A%\xe9"),
          Value("emoji list", registry::kRegMultiSz, "\xf0\x9f\x98\x80\0\0"s),
          Value("bad list", registry::kRegMultiSz, "\xf4\x90\x80\x80\0\xfe\0\0"s),
          Value("empty list", registry::kRegMultiSz, ""),
          Value("qword", 11, "\1\2\3\4\5\6\7\x80"),
          Value("big endian", registry::kRegDwordBigEndian, "\0\0\0\1"s),
          Value("none", registry::kRegNone, ""),
          Value("high type", 0xFFFF0000, "\xde\xad"),
          Value("@", registry::kRegSz, "not the default\0"s),
          Value("name \"\\\0\r\n\""s, registry::kRegSz, "\0"s),
          Removal("")}},
        {kHkeyCurrentUser, "", false, {}},
        {kHkeyCurrentUser, "Software\\Gone", true, {}},
    }};
    const ParseOutcome read = ParseRegFile(Written(document));
    ASSERT_TRUE(read.document) << "line " << read.line << ": " << read.problem;
    EXPECT_EQ(*read.document, document);
}

TEST(FormatRegFile, RefusesKeysThatNoFileCanName) {
    for (const KeySection& section : {KeySection{kHkeyCurrentUser, "a\nb", false, {}},
                                      KeySection{kHkeyCurrentUser, "a\0b"s, false, {}},
                                      KeySection{registry::kHkeyPerformanceData, "x", false, {}}}) {
        const FormatOutcome outcome = FormatRegFile(RegDocument{{section}});
        EXPECT_FALSE(outcome.bytes);
        EXPECT_FALSE(outcome.problem.empty());
    }
}

}  // namespace
}  // namespace regfile::test
