#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tools/vexo/reg_test_support.h"
#include "tools/regfile/reg_text.h"
#include "tools/vexo/command.h"

namespace vexo::cli::test {
namespace {

using namespace std::string_literals;
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
    ASSERT_EQ(before.sections.size(), 5u);

    const std::string file = TempPath("itunes.reg");
    const RegRun exported = Reg({"export", "HKLM\\SOFTWARE\\Apple Computer, Inc.", file});
    ASSERT_EQ(exported.status, kExitOk) << exported.err;
    EXPECT_EQ(exported.out, "The operation completed successfully.\n");
    const std::string text = ReadText(file);
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
    EXPECT_EQ(ReadText(again), text);
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
    EXPECT_EQ(ReadText(file),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\T]\r\n\"v\"=\"1\"\r\n\r\n");
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
    std::string utf16 = "\xff\xfe";
    for (std::uint8_t byte : regfile::Utf8ToUtf16Le(text)) {
        utf16 += static_cast<char>(byte);
    }
    const std::string file = TempPath("regedit.reg");
    WriteFile(file, utf16);

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

TEST_F(RegTransferTest, ImportReportsWhereTheRegistryRefused) {
    // The store refuses value names holding NUL, which a .reg file can write as \0.
    const std::string file = TempPath("nul.reg");
    WriteFile(file,
              "Windows Registry Editor Version 5.00\n"
              "[HKEY_CURRENT_USER\\Software\\T]\n\"a\\0b\"=\"1\"\n");
    const RegRun run = Reg({"import", file});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.err, HasSubstr("Importing stopped at HKEY_CURRENT_USER\\Software\\T"));
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
