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
using testing_support::Value;

std::string Written(const RegDocument& document) {
    const FormatOutcome outcome = FormatRegFile(document);
    EXPECT_TRUE(outcome.text.has_value()) << outcome.problem;
    return outcome.text.value_or("");
}

TEST(FormatRegFile, WritesWhatRegeditExports) {
    const RegDocument document{{
        {kHkeyLocalMachine,
         "SOFTWARE\\Vexo",
         false,
         {Value("", registry::kRegSz, "C:\\Program Files\\\"Vexo\"\0"s),
          Value("Count", registry::kRegDword, "\x2a\0\0\0"s),
          Value("Flags", registry::kRegBinary, "\x01\xab"s),
          Value("Empty", registry::kRegBinary, ""),
          Value("Path", registry::kRegExpandSz, "%SystemRoot%\\system32\0"s),
          Value("List", registry::kRegMultiSz, "a\0b\0\0"s), Removal("Old")}},
        {kHkeyCurrentUser, "Software\\Gone", true, {Value("ignored", 1, "x")}},
    }};
    EXPECT_EQ(
        Written(document),
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vexo]\r\n"
        "@=\"C:\\\\Program Files\\\\\\\"Vexo\\\"\"\r\n"
        "\"Count\"=dword:0000002a\r\n"
        "\"Flags\"=hex:01,ab\r\n"
        "\"Empty\"=hex:\r\n"
        "\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,\\\r\n"
        "  00,25,00,5c,00,73,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,00,00\r\n"
        "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Old\"=-\r\n"
        "\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
        "\r\n");
}

TEST(FormatRegFile, WrapsLongHexBeforeTheEightiethColumn) {
    const RegDocument document{{{kHkeyCurrentUser,
                                 "S",
                                 false,
                                 {Value("B", registry::kRegBinary, std::string(100, 'x'))}}}};
    const std::string text = Written(document);
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
         "SOFTWARE\\Caf\xc3\xa9\\]odd[",
         false,
         {Value("quoted", registry::kRegSz, "tab\there \xe2\x82\xac;\0"s),
          Value("no NUL", registry::kRegSz, "abc"), Value("empty", registry::kRegSz, ""),
          Value("inner NUL", registry::kRegSz, "a\0b\0"s),
          Value("two NULs", registry::kRegSz, "a\0\0"s),
          Value("line break", registry::kRegSz, "1\r\n2\0"s),
          Value("short dword", registry::kRegDword, "\1\2"),
          Value("long expand", registry::kRegExpandSz, std::string(300, 'e') + '\0'),
          Value("emoji list", registry::kRegMultiSz, "\xf0\x9f\x98\x80\0\0"s),
          Value("big endian", registry::kRegDwordBigEndian, "\0\0\0\1"s),
          Value("high type", 0xFFFF0000, "\xde\xad"),
          Value("@", registry::kRegSz, "not the default\0"s),
          Value("name \"\\\0\r\n\"", registry::kRegSz, "\0"s), Removal("")}},
        {kHkeyCurrentUser, "", false, {}},
        {kHkeyCurrentUser, "Software\\Gone", true, {}},
    }};
    const ParseOutcome read = ParseRegText(Written(document));
    ASSERT_TRUE(read.document) << "line " << read.line << ": " << read.problem;
    EXPECT_EQ(*read.document, document);
}

TEST(FormatRegFile, TextValuesThatAreNoUtf8LoseTheirBadBytesInHexForms) {
    const RegDocument document{
        {{kHkeyCurrentUser, "S", false, {Value("x", registry::kRegExpandSz, "a\xff\0"s)}}}};
    const ParseOutcome read = ParseRegText(Written(document));
    ASSERT_TRUE(read.document);
    ASSERT_FALSE(read.document->sections.empty());
    ASSERT_FALSE(read.document->sections[0].values.empty());
    EXPECT_EQ(read.document->sections[0].values[0].data,
              vexo::test_support::ToBytes("a\xef\xbf\xbd\0"s));
}

TEST(FormatRegFile, RefusesKeysThatNoFileCanName) {
    for (const KeySection& section : {KeySection{kHkeyCurrentUser, "a\nb", false, {}},
                                      KeySection{kHkeyCurrentUser, "a\0b"s, false, {}},
                                      KeySection{registry::kHkeyPerformanceData, "x", false, {}}}) {
        const FormatOutcome outcome = FormatRegFile(RegDocument{{section}});
        EXPECT_FALSE(outcome.text);
        EXPECT_FALSE(outcome.problem.empty());
    }
}

}  // namespace
}  // namespace regfile::test
