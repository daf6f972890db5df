#include "importer/files/system_locale.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace basFiles::test {
namespace {

struct NameCase {
    std::string name;
    std::uint16_t languageId;
    std::uint32_t codePage;
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << c.name;
}

class LocaleNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(LocaleNameTest, MapsToWindowsLanguageAndCodePage) {
    EXPECT_EQ(LanguageIdFromLocaleName(GetParam().name), GetParam().languageId);
    EXPECT_EQ(CodePageFromLocaleName(GetParam().name), GetParam().codePage);
}

INSTANTIATE_TEST_SUITE_P(
    Names, LocaleNameTest,
    testing::Values(
        // Locales of the table.
        NameCase{"en_US.UTF-8", 0x0409, 65001}, NameCase{"en_GB.UTF-8", 0x0809, 65001},
        NameCase{"de_DE.UTF-8", 0x0407, 65001}, NameCase{"de_CH.UTF-8", 0x0807, 65001},
        NameCase{"fr_FR.ISO-8859-1", 0x040C, 28591}, NameCase{"fr_CA.UTF-8", 0x0C0C, 65001},
        NameCase{"es_ES.UTF-8", 0x0C0A, 65001}, NameCase{"pt_BR.UTF-8", 0x0416, 65001},
        NameCase{"ja_JP.EUC-JP", 0x0411, 20932}, NameCase{"ja_JP.SJIS", 0x0411, 932},
        NameCase{"zh_CN.GB18030", 0x0804, 54936}, NameCase{"zh_TW.BIG5", 0x0404, 950},
        NameCase{"ru_RU.KOI8-R", 0x0419, 20866}, NameCase{"nn_NO.UTF-8", 0x0814, 65001},
        // Codeset spellings: case, "-" and "_" do not matter.
        NameCase{"en_US.utf8", 0x0409, 65001}, NameCase{"de_DE.iso885915", 0x0407, 28605},
        NameCase{"de_DE.ISO_8859-15", 0x0407, 28605}, NameCase{"en_US.CP1252", 0x0409, 1252},
        NameCase{"pl_PL.windows-1250", 0x0415, 1250},
        NameCase{"en_US.ANSI_X3.4-1968", 0x0409, 20127},
        // Names without codeset; the euro modifier implies Latin-9.
        NameCase{"de_DE", 0x0407, 65001}, NameCase{"de_DE@euro", 0x0407, 28605},
        NameCase{"fr_BE.UTF-8@euro", 0x080C, 65001},
        // Case of language and territory.
        NameCase{"EN_gb.UTF-8", 0x0809, 65001},
        // A territory not in the table: the language with SUBLANG_DEFAULT.
        NameCase{"de_BE.UTF-8", 0x0407, 65001}, NameCase{"en_NG.UTF-8", 0x0409, 65001},
        NameCase{"es_PE.UTF-8", 0x040A, 65001}, NameCase{"sv", 0x041D, 65001},
        // "C", "POSIX", empty and unknown: US English and UTF-8.
        NameCase{"C", 0x0409, 65001}, NameCase{"POSIX", 0x0409, 65001},
        NameCase{"C.UTF-8", 0x0409, 65001}, NameCase{"", 0x0409, 65001},
        NameCase{"xx_YY.KLINGON", 0x0409, 65001}, NameCase{"fil_PH.UTF-8", 0x0409, 65001},
        NameCase{"_.@", 0x0409, 65001}));

struct SettingsCase {
    PosixLocaleSettings settings;
    WindowsLocale expected;
};

void PrintTo(const SettingsCase& c, std::ostream* out) {
    *out << "LC_ALL=" << c.settings.lcAll << " LC_MESSAGES=" << c.settings.lcMessages
         << " LC_CTYPE=" << c.settings.lcCtype << " LANG=" << c.settings.lang;
}

class PosixSettingsTest : public testing::TestWithParam<SettingsCase> {};

TEST_P(PosixSettingsTest, FollowsThePrecedenceOfTheVariables) {
    EXPECT_EQ(WindowsLocaleFromPosix(GetParam().settings), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, PosixSettingsTest,
    testing::Values(
        // Nothing set.
        SettingsCase{{"", "", "", ""}, {0x0409, 65001}},
        // LANG alone decides both.
        SettingsCase{{"", "", "", "de_DE.ISO-8859-1"}, {0x0407, 28591}},
        // LC_ALL overrides everything.
        SettingsCase{{"fr_FR.UTF-8", "de_DE.UTF-8", "ja_JP.SJIS", "en_GB.CP1252"}, {0x040C, 65001}},
        // The language from LC_MESSAGES, the code page from LC_CTYPE.
        SettingsCase{{"", "de_DE.UTF-8", "ja_JP.SJIS", "en_GB.CP1252"}, {0x0407, 932}},
        SettingsCase{{"", "de_DE.UTF-8", "", "en_GB.CP1252"}, {0x0407, 1252}},
        SettingsCase{{"", "", "ja_JP.SJIS", "en_GB.CP1252"}, {0x0809, 932}},
        // "C" set explicitly still counts as set.
        SettingsCase{{"C", "", "", "de_DE.ISO-8859-1"}, {0x0409, 65001}}));

}  // namespace
}  // namespace basFiles::test
