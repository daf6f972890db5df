#include "tools/regfile/reg_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tools/regfile/regfile_test_support.h"
#include "tools/regfile/reg_text.h"

namespace regfile::test {
namespace {

using namespace std::string_literals;
using registry::kHkeyCurrentUser;
using registry::kHkeyLocalMachine;
using testing_support::Removal;
using testing_support::Utf16File;
using testing_support::Value;

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\r\n";

RegDocument Parsed(std::string_view text) {
    const ParseOutcome outcome = ParseRegText(text);
    EXPECT_TRUE(outcome.document.has_value()) << "line " << outcome.line << ": " << outcome.problem;
    return outcome.document.value_or(RegDocument{});
}

TEST(ParseRegText, ReadsEveryFormThatRegeditWrites) {
    const std::string text = std::string(kHeader) +
                             "\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Apple Computer, Inc.\\iTunes]\r\n"
                             "\"ProgramFolder\"=\"C:\\\\Program Files\\\\iTunes\\\\\"\r\n"
                             "@=\"default \\\"quoted\\\"\"\r\n"
                             "\"Count\"=dword:0000002a\r\n"
                             "\"Bytes\"=hex:00,ff,7F\r\n"
                             "\"Empty\"=hex:\r\n"
                             "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                             "\"List\"=hex(7):61,00,00,00,e9,00,00,00,00,00\r\n"
                             "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                             "\"Nothing\"=hex(0):\r\n"
                             "\"Gone\"=-\r\n"
                             "\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
                             "\r\n";
    const RegDocument expected{{
        {kHkeyLocalMachine,
         "SOFTWARE\\Apple Computer, Inc.\\iTunes",
         false,
         {Value("ProgramFolder", registry::kRegSz, "C:\\Program Files\\iTunes\\\0"s),
          Value("", registry::kRegSz, "default \"quoted\"\0"s),
          Value("Count", registry::kRegDword, "\x2a\0\0\0"s),
          Value("Bytes", registry::kRegBinary, "\x00\xff\x7f"s),
          Value("Empty", registry::kRegBinary, ""), Value("Path", registry::kRegExpandSz, "%A%\0"s),
          Value("List", registry::kRegMultiSz, "a\0\xc3\xa9\0\0"s),
          Value("Quad", 11, "\x01\0\0\0\0\0\0\0"s), Value("Nothing", registry::kRegNone, ""),
          Removal("Gone")}},
        {kHkeyCurrentUser, "Software\\Old", true, {}},
    }};
    const ParseOutcome outcome = ParseRegFile(Utf16File(text));
    ASSERT_TRUE(outcome.document) << "line " << outcome.line << ": " << outcome.problem;
    EXPECT_EQ(*outcome.document, expected);
    EXPECT_EQ(outcome.document->sections[1].line, 15u);
    EXPECT_EQ(outcome.document->sections[0].values[9].line, 13u);
}

TEST(ParseRegText, TakesContinuationsCommentsBlanksAndLineFeeds) {
    const std::string text =
        "Windows Registry Editor Version 5.00\n"
        "; a comment before the first key\n"
        "   [HKEY_CURRENT_USER\\Software\\Vexo]   \n"
        "  \"Long\"=hex:01,02,\\\n"
        "      03 , 04,\\ ; the list goes on\n"
        "\n"
        "  05,\n"
        "\"Number\" = dword:1 ; one\n"
        "\"Text\"=\"a;b\"\t; not part of the text\n"
        "\"\"=\"the default, named by an empty name\"\n"
        "\"Odd \\\"name\\\" \\\\ here\"=\"\"\n"
        "\"Wine escapes\"=\"1\\n2\\r3\\0\"\n";
    const RegDocument expected{
        {{kHkeyCurrentUser,
          "Software\\Vexo",
          false,
          {Value("Long", registry::kRegBinary, "\1\2\3\4\5"),
           Value("Number", registry::kRegDword, "\1\0\0\0"s),
           Value("Text", registry::kRegSz, "a;b\0"s),
           Value("", registry::kRegSz, "the default, named by an empty name\0"s),
           Value("Odd \"name\" \\ here", registry::kRegSz, "\0"s),
           Value("Wine escapes", registry::kRegSz, "1\n2\r3\0\0"s)}}}};
    const RegDocument document = Parsed(text);
    EXPECT_EQ(document, expected);
    ASSERT_EQ(document.sections.size(), 1u);
    EXPECT_EQ(document.sections[0].values[1].line, 8u);  // after the continued list
}

// As Wine's regedit reads them: the file's encoding, not its header, decides whether the hex
// forms of texts carry UTF-16LE or 8-bit text.
struct EncodingCase {
    bool utf16File;
    std::string header;
    std::string hex;
    std::string text;

    friend void PrintTo(const EncodingCase& c, std::ostream* os) {
        *os << (c.utf16File ? "UTF-16 " : "8-bit ") << c.header;
    }
};

class FileEncodingTest : public testing::TestWithParam<EncodingCase> {};

TEST_P(FileEncodingTest, DecidesHowHexFormsCarryText) {
    const EncodingCase& c = GetParam();
    const std::string text = c.header +
                             "\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"Path\"=hex(2):" + c.hex +
                             "\r\n\"Name \xc3\xa9\"=\"\xc3\xa9\"\r\n";
    const std::vector<std::uint8_t> bytes =
        c.utf16File ? Utf16File(text) : vexo::test_support::ToBytes(text);
    const ParseOutcome outcome = ParseRegFile(bytes);
    ASSERT_TRUE(outcome.document) << outcome.problem;
    ASSERT_EQ(outcome.document->sections.size(), 1u);
    EXPECT_EQ(outcome.document->sections[0].values,
              (std::vector<ValueEntry>{Value("Path", registry::kRegExpandSz, c.text),
                                       Value("Name \xc3\xa9", registry::kRegSz, "\xc3\xa9\0"s)}));
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileEncodingTest,
    testing::Values(EncodingCase{false, "REGEDIT4", "25,41,e9,25,00", "%A\xe9%\0"s},
                    EncodingCase{false, "Windows Registry Editor Version 5.00", "61,00,62,00",
                                 "a\0b\0"s},
                    EncodingCase{true, "REGEDIT4", "61,00,e9,00,ff,dc,00,00", "a\xc3\xa9\xff\0"s},
                    EncodingCase{true, "Windows Registry Editor Version 5.00", "00,d8,41,00",
                                 "\xef\xbf\xbd"
                                 "A"}));

TEST(ParseRegFile, ReadsUtf16WithItsByteOrderMarkAndUtf8WithOrWithoutOne) {
    const std::string text = std::string(kHeader) +
                             "\r\n[HKEY_CURRENT_USER\\Software\\Caf\xc3\xa9]\r\n"
                             "\"\xe2\x82\xac\"=\"\xf0\x9f\x98\x80\"\r\n";
    const RegDocument expected{
        {{kHkeyCurrentUser,
          "Software\\Caf\xc3\xa9",
          false,
          {Value("\xe2\x82\xac", registry::kRegSz, "\xf0\x9f\x98\x80\0"s)}}}};

    const std::vector<std::uint8_t> utf16 = Utf16File(text);
    std::vector<std::uint8_t> utf8 = {0xEF, 0xBB, 0xBF};
    utf8.insert(utf8.end(), text.begin(), text.end());
    const std::vector<std::uint8_t> plain(text.begin(), text.end());

    for (const auto& bytes : {utf16, utf8, plain}) {
        const ParseOutcome outcome = ParseRegFile(bytes);
        ASSERT_TRUE(outcome.document) << outcome.problem;
        EXPECT_EQ(*outcome.document, expected);
    }
}

struct ProblemCase {
    std::string body;  // after the header line
    std::size_t line;
    std::string problem;

    friend void PrintTo(const ProblemCase& c, std::ostream* os) { *os << c.body; }
};

class ParseProblemTest : public testing::TestWithParam<ProblemCase> {};

TEST_P(ParseProblemTest, NamesTheLineAndGivesNoDocument) {
    const ProblemCase& c = GetParam();
    const ParseOutcome outcome = ParseRegText(std::string(kHeader) + c.body);
    EXPECT_FALSE(outcome.document.has_value());
    EXPECT_EQ(outcome.line, c.line);
    EXPECT_THAT(outcome.problem, testing::HasSubstr(c.problem));
}

constexpr std::string_view kKey = "[HKEY_CURRENT_USER\\Software\\Vexo]\r\n";

ProblemCase InKey(std::string value, std::string problem) {
    return {std::string(kKey) + value, 3, std::move(problem)};
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseProblemTest,
    testing::Values(
        ProblemCase{"\"a\"=\"b\"\r\n", 2, "before the first [key]"},
        ProblemCase{"[HKEY_NOWHERE\\Software]\r\n", 2, "no key name"},
        ProblemCase{"[HKEY_CURRENT_USER\\a\\\\b]\r\n", 2, "empty level"},
        ProblemCase{"[HKEY_CURRENT_USER\\a\r\n", 2, "no closing \"]\""},
        ProblemCase{"[HKEY_CURRENT_USER\\a] x\r\n", 2, "after the key name"},
        ProblemCase{"[-HKEY_LOCAL_MACHINE]\r\n", 2, "root key cannot be deleted"},
        ProblemCase{"[-HKEY_CURRENT_USER\\a]\r\n\"v\"=\"1\"\r\n", 3, "key that is being deleted"},
        ProblemCase{"HKEY_CURRENT_USER\\a\r\n", 2, "expected [key]"},
        InKey("\"a\"=\"b\r\n", "no closing quote"), InKey("\"a\\\"=\"b\"\r\n", "expected \"=\""),
        InKey("\"a\"=\"C:\\Path\"\r\n", "unknown escape \"\\P\""),
        InKey("\"a\"=\"ends in \\", "no closing quote"), InKey("\"a\"\"b\"\r\n", "expected \"=\""),
        InKey("@ \"b\"\r\n", "expected \"=\""), InKey("\"a\"=\"b\" c\r\n", "after the value"),
        InKey("\"a\"=- c\r\n", "after the value"), InKey("\"a\"=text\r\n", "unknown data"),
        InKey("\"a\"=dword:\r\n", "1 to 8 hex digits"),
        InKey("\"a\"=dword:123456789\r\n", "1 to 8 hex digits"),
        InKey("\"a\"=dword:-1\r\n", "1 to 8 hex digits"),
        InKey("\"a\"=dword:12 34\r\n", "after the value"),
        InKey("\"a\"=hex:01,zz\r\n", "\"zz\" is no byte"),
        InKey("\"a\"=hex:01,,02\r\n", "\"\" is no byte"),
        InKey("\"a\"=hex:100\r\n", "\"100\" is no byte"),
        InKey("\"a\"=hex:01,02\\\r\n03\r\n", "\"0203\" is no byte"),
        InKey("\"a\"=hex(:01\r\n", "hex(type):"), InKey("\"a\"=hex(2)01\r\n", "hex(type):"),
        InKey("\"a\"=hex(123456789):01\r\n", "hex(type):"),
        // A continued list moves on the line count.
        ProblemCase{std::string(kKey) + "\"a\"=hex:01,\\\r\n 02,\\\r\n 03\r\n?\r\n", 6,
                    "expected [key]"}));

TEST(ParseRegText, RefusesWhatIsNoRegistryFile) {
    for (std::string_view text : {"", "\r\n", "REGEDIT", "Windows Registry Editor Version 4.00",
                                  "\r\nWindows Registry Editor Version 5.00"}) {
        const ParseOutcome outcome = ParseRegText(text);
        EXPECT_FALSE(outcome.document);
        EXPECT_EQ(outcome.line, 1u);
        EXPECT_THAT(outcome.problem, testing::HasSubstr("not a registry file"));
    }
    const std::vector<std::uint8_t> bigEndian = {0xFE, 0xFF, 0, 'W'};
    EXPECT_FALSE(ParseRegFile(bigEndian).document);
}

}  // namespace
}  // namespace regfile::test
