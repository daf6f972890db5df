// The journal's text: every step survives the round trip whatever its texts hold, a line a crash
// cut short is left out, and anything else that is not a step is refused.
#include <gtest/gtest.h>

#include "packager/setup/install_journal.h"

namespace setup {
namespace {

using Kind = InstallStep::Kind;

TEST(InstallJournal, EveryStepSurvivesTheRoundTrip) {
    const std::string awkward = "C:\\100% \"Plumex\"\tTV\r\nÜ\x7F";
    const std::vector<InstallStep> steps = {
        {.kind = Kind::kCreateFolder, .path = awkward},
        {.kind = Kind::kWriteFile, .path = "C:\\P\\Plumex.exe"},
        {.kind = Kind::kReplaceFile, .path = awkward, .backup = awkward + ".setup-old"},
        {.kind = Kind::kCreateKey, .key = "HKLM\\Software\\ST6UNST #3"},
        {.kind = Kind::kSetValue, .key = "HKLM\\K", .name = awkward},
        {.kind = Kind::kReplaceValue, .key = "HKLM\\K", .name = "UninstallString", .old = awkward},
        {.kind = Kind::kReplaceValue,
         .key = "HKLM\\K",
         .name = "EstimatedSize",
         .old = "4294967295",
         .oldIsNumber = true},
        {.kind = Kind::kReplaceValue, .key = "HKLM\\K", .name = "Comments", .old = ""},
        {.kind = Kind::kCreateShortcut, .path = "C:\\Menu\\VEXO(tm) Plumex TV.lnk"},
    };
    const std::string text = FormatInstallSteps(steps);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(steps.size()));
    EXPECT_EQ(ParseInstallSteps(text), steps);
}

struct JournalText {
    const char* what;
    std::string text;
    int steps;  // -1: refused
    bool committed;
};

class InstallJournalText : public ::testing::TestWithParam<JournalText> {};

INSTANTIATE_TEST_SUITE_P(
    Texts, InstallJournalText,
    ::testing::Values(
        JournalText{"Empty", "", 0, false},
        JournalText{"ATornLastLine", "file\tA\nreplace\tB\tB.se", 1, false},
        JournalText{"Committed", "file\tA\ncommit\n", 1, true},
        JournalText{"ATornCommit", "file\tA\ncomm", 1, false},
        JournalText{"ACommitBeforeAStep", "commit\nfile\tA\n", -1, false},
        JournalText{"AnUnknownStep", "move\tA\tB\n", -1, false},
        JournalText{"AFieldTooMany", "file\tA\tB\n", -1, false},
        JournalText{"AnEmptyPath", "folder\t\n", -1, false},
        JournalText{"ABrokenEscape", "file\tA%2\n", -1, false},
        JournalText{"AnOldNumberThatIsNone", "replace-value\tK\tN\tdword\tx\n", -1, false},
        JournalText{"AnOldValueOfNoType", "replace-value\tK\tN\tbinary\t00\n", -1, false}),
    [](const auto& test) { return std::string(test.param.what); });

TEST_P(InstallJournalText, IsReadAsItWasWritten) {
    const std::optional<InstallJournal> journal = ParseInstallJournal(GetParam().text);
    ASSERT_EQ(journal.has_value(), GetParam().steps >= 0);
    if (journal) {
        EXPECT_EQ(static_cast<int>(journal->steps.size()), GetParam().steps);
        EXPECT_EQ(journal->committed, GetParam().committed);
        // A record has no commit line.
        EXPECT_EQ(ParseInstallSteps(GetParam().text).has_value(), !GetParam().committed);
    }
}

}  // namespace
}  // namespace setup
