// The main window's questions and reports as MessageBoxA styles and answers.
#include "importer/ui/win32/message_box.h"

#include <gtest/gtest.h>

#include <ostream>

namespace plumex::win32::test {
namespace {

using importer::MessageAnswer;
using importer::MessageButtons;
using importer::MessageIcon;

struct StyleCase {
    MessageButtons buttons;
    MessageIcon icon;
    UINT style;
};

void PrintTo(const StyleCase& row, std::ostream* out) {
    *out << "style " << row.style;
}

class MessageBoxStyleTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(MessageBoxStyleTest, ButtonsIconAndDefault) {
    EXPECT_EQ(MessageBoxStyle(GetParam().buttons, GetParam().icon), GetParam().style);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, MessageBoxStyleTest,
    ::testing::Values(StyleCase{MessageButtons::Ok, MessageIcon::None, MB_OK},
                      StyleCase{MessageButtons::Ok, MessageIcon::Error, MB_OK | MB_ICONERROR},
                      StyleCase{MessageButtons::Ok, MessageIcon::Information,
                                MB_OK | MB_ICONINFORMATION},
                      // The question's default is No, so that Enter does not cancel an import.
                      StyleCase{MessageButtons::YesNo, MessageIcon::Question,
                                MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION}));

TEST(MessageBoxAnswerTest, OnlyYesConfirmsAQuestion) {
    EXPECT_EQ(AnswerFor(IDYES, MessageButtons::YesNo), MessageAnswer::Yes);
    EXPECT_EQ(AnswerFor(IDNO, MessageButtons::YesNo), MessageAnswer::No);
    // A box that could not be shown (0) or was closed otherwise confirms nothing.
    EXPECT_EQ(AnswerFor(0, MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(AnswerFor(IDCANCEL, MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(AnswerFor(IDOK, MessageButtons::Ok), MessageAnswer::Ok);
    EXPECT_EQ(AnswerFor(0, MessageButtons::Ok), MessageAnswer::Ok);
}

}  // namespace
}  // namespace plumex::win32::test
