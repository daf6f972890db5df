#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/importer/registry/registry_test_support.h"
#include "tests/tools/regfile/regfile_test_support.h"
#include "tests/tools/vexo/reg_test_support.h"
#include "tools/vexo/command.h"

namespace vexo::cli::test {
namespace {

using namespace std::string_literals;
using regfile::testing_support::Utf16File;
using regfile::testing_support::Utf16FileText;
using registry::kHkeyCurrentUser;
using registry::kHkeyLocalMachine;
using testing::HasSubstr;

class RegTransferTest : public RegStoreTest {
  protected:
    // Values of every shape, names in any case and script, keys nested and empty.
    void FillTree() {
        const std::string_view key = "SOFTWARE\\Apple Computer, Inc.\\iTunes";
        Set(kHkeyLocalMachine, key, "ProgramFolder", registry::kRegSz,
            "C:\\Program Files\\iTunes\\\0"s);
        Set(kHkeyLocalMachine, key, "", registry::kRegSz, "\"quoted\" default\0"s);
        Set(kHkeyLocalMachine, key, "Caf\xc3\xa9 \xe2\x82\xac", registry::kRegSz,
            "\xf0\x9f\x98\x80\0"s);
        Set(kHkeyLocalMachine, key, "Count", registry::kRegDword, "\x2a\0\0\0"s);
        Set(kHkeyLocalMachine, key, "Short", registry::kRegDword, "\x2a"s);
        Set(kHkeyLocalMachine, key, "Big", registry::kRegBinary, std::string(5000, '\xa5'));
        Set(kHkeyLocalMachine, key, "Empty", registry::kRegBinary, "");
        Set(kHkeyLocalMachine, key, "Path", registry::kRegExpandSz, "%ProgramFiles%\\iTunes\0"s);
        Set(kHkeyLocalMachine, key, "List", registry::kRegMultiSz, "a\0b\0\0"s);
        Set(kHkeyLocalMachine, key, "Raw text", registry::kRegSz, "no NUL, two\r\nlines");
        Set(kHkeyLocalMachine, key, "None", registry::kRegNone, "");
        Set(kHkeyLocalMachine, key, "Odd type", 0x80000001, "\1\2\3");
        Set(kHkeyLocalMachine, key, "Quad", 11, "\1\2\3\4\5\6\7\x80");
        Set(kHkeyLocalMachine, key, "Empty text", registry::kRegSz, "\0"s);
        Set(kHkeyLocalMachine, key, "Empty list", registry::kRegMultiSz, "\0"s);
        // 8-bit texts that are no UTF-8, in names and in every text type.
        Set(kHkeyLocalMachine, key, "Latin-1 caf\xe9", registry::kRegSz, "\xe9t\xe9\0"s);
        Set(kHkeyLocalMachine, key, "Bad path", registry::kRegExpandSz, "%TEMP%\\\xff\xfe\0"s);
        Set(kHkeyLocalMachine, key, "Bad list", registry::kRegMultiSz, "a\xc3\0\xed\xa0\x80\0\0"s);
        Set(kHkeyLocalMachine, std::string(key) + "\\Sub \xe9\xff", "", registry::kRegSz,
            "\xff\0"s);
        Set(kHkeyLocalMachine, std::string(key) + "\\Sub]key\\Deeper", "x", registry::kRegSz,
            "1\0"s);
        OpenedKey empty(api());
        ASSERT_EQ(
            empty.Create(kHkeyLocalMachine, std::string(key) + "\\Empty", registry::kKeyWrite),
            registry::kErrorSuccess);
    }
};

TEST_F(RegTransferTest, ExportThenImportGivesTheSameKeysAndValues) {
    FillTree();
    const regfile::RegDocument before = Tree(kHkeyLocalMachine, "SOFTWARE\\Apple Computer, Inc.");
    ASSERT_EQ(before.sections.size(), 6u);

    const std::string file = TempPath("itunes.reg");
    const RegRun exported = Reg({"export", "HKLM\\SOFTWARE\\Apple Computer, Inc.", file});
    ASSERT_EQ(exported.status, kExitOk) << exported.err;
    EXPECT_EQ(exported.out, "The operation completed successfully.\n");
    const Bytes bytes = ReadBytes(file);
    const std::string text = Utf16FileText(bytes);
    EXPECT_TRUE(
        text.starts_with("Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Apple Computer, Inc.]\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Apple Computer, Inc.\\iTunes]\r\n"
                         "\"ProgramFolder\"=\"C:\\\\Program Files\\\\iTunes\\\\\"\r\n"
                         "@=\"\\\"quoted\\\" default\"\r\n"))
        << text;

    ASSERT_EQ(Reg({"delete", "HKLM\\SOFTWARE\\Apple Computer, Inc.", "/f"}).status, kExitOk);
    ASSERT_FALSE(KeyExists(kHkeyLocalMachine, "SOFTWARE\\Apple Computer, Inc."));

    const RegRun imported = Reg({"import", file});
    ASSERT_EQ(imported.status, kExitOk) << imported.err;
    EXPECT_EQ(imported.out, "The operation completed successfully.\n");
    EXPECT_EQ(Tree(kHkeyLocalMachine, "SOFTWARE\\Apple Computer, Inc."), before);

    // And the second export is the first, byte for byte.
    const std::string again = TempPath("again.reg");
    ASSERT_EQ(Reg({"export", "hklm\\SOFTWARE\\Apple Computer, Inc.", again}).status, kExitOk);
    EXPECT_EQ(ReadBytes(again), bytes);
}

TEST_F(RegTransferTest, ExportKeepsAnExistingFileUnlessY) {
    Set(kHkeyCurrentUser, "Software\\T", "v", registry::kRegSz, "1\0"s);
    const std::string file = TempPath("kept.reg");
    WriteFile(file, "precious");

    const RegRun refused = Reg({"export", "HKCU\\Software\\T", file});
    EXPECT_EQ(refused.status, kExitFailed);
    EXPECT_THAT(refused.err, HasSubstr("exists already. Add /y"));
    EXPECT_EQ(ReadText(file), "precious");

    ASSERT_EQ(Reg({"export", "HKCU\\Software\\T", file, "/Y"}).status, kExitOk);
    EXPECT_EQ(ReadBytes(file),
              Utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\T]\r\n\"v\"=\"1\"\r\n\r\n"));
}

TEST_F(RegTransferTest, ExportOfAMissingKeyWritesNothing) {
    const std::string file = TempPath("missing.reg");
    const RegRun run = Reg({"export", "HKCU\\Software\\Missing", file});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err,
              "ERROR: The system was unable to find the specified registry key or value.\n");
    EXPECT_FALSE(std::filesystem::exists(file));

    const RegRun unwritable = Reg({"export", "HKCU", TempPath("no/such/folder.reg")});
    EXPECT_EQ(unwritable.status, kExitFailed);
    EXPECT_THAT(unwritable.err, HasSubstr("Cannot write"));
}

TEST_F(RegTransferTest, ImportAppliesDeletionsAndReadsRegeditsUtf16) {
    Set(kHkeyCurrentUser, "Software\\T\\Old\\Below", "x", registry::kRegSz, "1\0"s);
    Set(kHkeyCurrentUser, "Software\\T", "gone", registry::kRegSz, "1\0"s);
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[-HKEY_CURRENT_USER\\Software\\T\\Old]\r\n\r\n"
        "[-HKEY_CURRENT_USER\\Software\\T\\NeverWasThere]\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\T]\r\n"
        "\"gone\"=-\r\n\"never\"=-\r\n"
        "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n";
    const std::string file = TempPath("regedit.reg");
    WriteBytes(file, Utf16File(text));

    const RegRun run = Reg({"import", file});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, "Software\\T\\Old"));
    EXPECT_FALSE(Get(kHkeyCurrentUser, "Software\\T", "gone"));
    EXPECT_EQ(Get(kHkeyCurrentUser, "Software\\T", "path").value().data,
              std::vector<std::uint8_t>({'%', 'A', '%', 0}));
}

TEST_F(RegTransferTest, AFileWithAMistakeImportsNothing) {
    const std::string file = TempPath("bad.reg");
    WriteFile(file,
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\First]\n\"a\"=\"1\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\Second]\n\"b\"=\"C:\\Path\"\n");
    const RegRun run = Reg({"import", file});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.err, HasSubstr(file + ", line 7: unknown escape"));
    EXPECT_THAT(run.err, HasSubstr("Nothing was imported"));
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, "Software\\First"));

    const RegRun missing = Reg({"import", TempPath("missing.reg")});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_THAT(missing.err, HasSubstr("Cannot read"));
}

// Names the registry would refuse are found before anything is written: the keys and values
// before them in the file are not applied either.
struct RefusedCase {
    std::string section;  // the third section of the file, from its fourth line on
    std::size_t line;
    std::string problem;

    friend void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.problem; }
};

class RefusedNameTest : public RegStoreTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedNameTest, ImportsNothingAndNamesTheLine) {
    Set(kHkeyCurrentUser, "Software\\T", "keep", registry::kRegSz, "old\0"s);
    const std::string file = TempPath("refused.reg");
    WriteFile(file, "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"keep\"=\"new\"\n" +
                        GetParam().section);
    const RegRun run = Reg({"import", file});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "ERROR: " + file + ", line " + std::to_string(GetParam().line) + ": " +
                           GetParam().problem + ". Nothing was imported.\n");
    EXPECT_EQ(Tree(kHkeyCurrentUser, "Software"),
              (regfile::RegDocument{{{kHkeyCurrentUser, "Software", false, {}},
                                     {kHkeyCurrentUser,
                                      "Software\\T",
                                      false,
                                      {{"keep", false, registry::kRegSz, ToBytes("old\0"s)}}}}}));
}

std::string Levels(std::size_t count) {
    std::string key = "[HKEY_CURRENT_USER\\Software";
    for (std::size_t i = 0; i < count; ++i) {
        key += "\\k";
    }
    return key + "]\n";
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefusedNameTest,
    testing::Values(RefusedCase{"[HKEY_CURRENT_USER\\Software\\U]\n\"a\\0b\"=\"1\"\n", 5,
                                "the value name holds a NUL"},
                    RefusedCase{"[HKEY_CURRENT_USER\\Software\\" + std::string(256, 'k') + "]\n", 4,
                                "a level of the key name is longer than 255 characters"},
                    RefusedCase{"[HKEY_CURRENT_USER\\Software\\" + std::string(255, 'k') +
                                    "]\n\n\"" + std::string(16384, 'v') + "\"=\"\"\n",
                                6, "the value name is longer than 16383 characters"},
                    RefusedCase{Levels(511) + Levels(512), 5,
                                "the key is more than 512 levels deep"}));

// Refuses one value name, and counts the registry calls made outside RunAsOneChange.
class RefusingRegistry : public registry::testing::HandleLedger {
  public:
    using HandleLedger::HandleLedger;

    registry::Status RegSetValueEx(registry::Hkey key, std::string_view name, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) override {
        outside += changing ? 0 : 1;
        return name == "refused" ? registry::kErrorAccessDenied
                                 : HandleLedger::RegSetValueEx(key, name, type, data, size);
    }
    registry::Status RegCreateKeyEx(registry::Hkey key, std::string_view subKey,
                                    registry::Access access, registry::Hkey& result) override {
        outside += changing ? 0 : 1;
        return HandleLedger::RegCreateKeyEx(key, subKey, access, result);
    }
    registry::Status RunAsOneChange(const std::function<registry::Status()>& changes) override {
        ++runs;
        changing = true;
        const registry::Status status = changes();
        changing = false;
        return status;
    }

    bool changing = false;
    int runs = 0;
    int outside = 0;
};

TEST_F(RegTransferTest, ImportAppliesTheWholeFileAsOneChangeAndNamesWhereItFailed) {
    RefusingRegistry registry(api());
    const std::string file = TempPath("refused.reg");
    WriteFile(file,
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\A]\n\"a\"=\"1\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\B]\n\"b\"=\"1\"\n\"refused\"=\"1\"\n");
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string_view> args = {"import", file};
    EXPECT_EQ(RunReg(args, registry, out, err), kExitFailed);
    EXPECT_EQ(err.str(), "ERROR: Importing stopped at HKEY_CURRENT_USER\\Software\\B (" + file +
                             ", line 8):\nERROR: Access is denied.\n");
    EXPECT_EQ(registry.runs, 1);
    EXPECT_EQ(registry.outside, 0);
    EXPECT_EQ(registry.Outstanding(), 0u);
}

// The command as the tool runs it, on the machine prefix's store.
TEST(VexoRegOnTheSystemRegistry, UsesTheStoreInTheMachinePrefix) {
    TempFolder prefix;
    ScopedVariable variable("VEXO_PREFIX", prefix.path().string());
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string_view> add = {"reg", "add", "HKCU\\Software\\VexoTest", "/v", "x",
                                               "/d",  "1"};
    ASSERT_EQ(RunTool(add, out, err), kExitOk) << err.str();
    EXPECT_TRUE(std::filesystem::exists(prefix.path() / "registry.db"));

    std::ostringstream queried;
    const std::vector<std::string_view> query = {"reg", "query", "HKCU\\Software\\VexoTest"};
    ASSERT_EQ(RunTool(query, queried, err), kExitOk) << err.str();
    EXPECT_EQ(queried.str(), "\nHKEY_CURRENT_USER\\Software\\VexoTest\n    x    REG_SZ    1\n\n");

    std::ostringstream help;
    const std::vector<std::string_view> helpArgs = {"reg", "--help"};
    EXPECT_EQ(RunTool(helpArgs, help, err), kExitOk);
    EXPECT_THAT(help.str(), HasSubstr("Usage: vexo reg add KEY"));
}

}  // namespace
}  // namespace vexo::cli::test
