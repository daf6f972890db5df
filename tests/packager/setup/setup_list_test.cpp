// SETUP.LST: what the setup program reads, what it refuses, and where a destination lands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "packager/setup/setup_list.h"
#include "tests/packager/setup/fake_install_machine.h"

namespace setup {
namespace {

using ::testing::HasSubstr;
using testing_support::MachinePath;

const SetupList kPlumexList = {
    "VEXO(tm) Plumex TV",
    "1.0.2",
    "VEXO",
    "VEXO\\Plumex TV",
    "Plumex.exe",
    "VEXO(tm) Plumex TV",
    {{"Plumex.exe", "$(AppPath)\\Plumex.exe", 123456},
     {"LICENSE.txt", "$(AppPath)/docs/LICENSE.txt", 0},
     {"vexo.exe", "$(AppPath)\\vexo.exe", 18446744073709551615u}},
};

TEST(SetupList, ReadsWhatTheReleaseWritesAndWhatAPersonWrites) {
    const std::string written = FormatSetupList(kPlumexList);
    EXPECT_THAT(written, HasSubstr("[Files]\r\nPlumex.exe=$(AppPath)\\Plumex.exe,123456\r\n"));
    const std::string typed =
        "\xEF\xBB\xBF; made by hand\n"
        "[product]\n"
        "  name = VEXO(tm) Plumex TV \n"
        "VERSION=1.0.2\r\n"
        "Publisher=VEXO\n"
        "\n"
        "Folder=VEXO\\Plumex TV\n"
        "program=Plumex.exe\n"
        "Shortcut=VEXO(tm) Plumex TV\n"
        "[FILES]\n"
        "Plumex.exe = $(AppPath)\\Plumex.exe , 123456\n"
        "LICENSE.txt=$(AppPath)/docs/LICENSE.txt,0\n"
        "vexo.exe=$(AppPath)\\vexo.exe,18446744073709551615";
    for (const std::string& text : {written, typed}) {
        const SetupListRead read = ParseSetupList(text);
        ASSERT_TRUE(read.list) << read.error;
        EXPECT_EQ(*read.list, kPlumexList);
    }
}

struct RefusedList {
    const char* what;
    std::string text;
    const char* error;
};

class SetupListRefusal : public ::testing::TestWithParam<RefusedList> {};

const std::string kProduct = "[Product]\nName=N\nVersion=1\nFolder=VEXO\\N\nProgram=N.exe\n";

INSTANTIATE_TEST_SUITE_P(
    Lists, SetupListRefusal,
    ::testing::Values(
        RefusedList{"NoProgram", "[Product]\nName=N\nVersion=1\nFolder=F\n", "no Program"},
        RefusedList{"ALineBeforeAnySection", "Name=N\n" + kProduct, "line 1: a line before"},
        RefusedList{"AnUnknownSection", kProduct + "[Registry]\n", "line 6: unknown section"},
        RefusedList{"AnUnknownKey", kProduct + "Icon=x.ico\n", "line 6: unknown key Icon"},
        RefusedList{"AKeyGivenTwice", kProduct + "name=M\n", "line 6: name given twice"},
        RefusedList{"AnAbsoluteFolder", "[Product]\nFolder=C:\\VEXO\n", "line 2: the folder"},
        RefusedList{"AProgramInAFolder", "[Product]\nProgram=bin\\N.exe\n", "line 2: the Program"},
        RefusedList{"AFileWithoutASize", kProduct + "[Files]\nN.exe=$(AppPath)\\N.exe\n",
                    "line 7: no size"},
        RefusedList{"ASizeThatIsNoNumber", kProduct + "[Files]\nN.exe=$(AppPath)\\N.exe,-1\n",
                    "line 7: the size"},
        RefusedList{"AnEntryInAFolder", kProduct + "[Files]\nbin/N.exe=$(AppPath)\\N.exe,1\n",
                    "line 7: the entry"},
        RefusedList{"ADestinationWithoutAVariable", kProduct + "[Files]\nN.exe=C:\\N.exe,1\n",
                    "line 7: the destination"},
        RefusedList{"ADestinationClimbingOut",
                    kProduct + "[Files]\nN.exe=$(AppPath)\\..\\N.exe,1\n",
                    "line 7: the destination"},
        RefusedList{"ADestinationWindowsCannotWrite",
                    kProduct + "[Files]\nN.exe=$(AppPath)\\N?.exe,1\n", "line 7: the destination"},
        RefusedList{"TwoFilesForOneDestination",
                    kProduct + "[Files]\nA.exe=$(AppPath)\\N.exe,1\nB.exe=$(apppath)/n.EXE,1\n",
                    "line 8: a second file"}),
    [](const auto& test) { return std::string(test.param.what); });

TEST_P(SetupListRefusal, NamesTheLine) {
    const SetupListRead read = ParseSetupList(GetParam().text);
    EXPECT_FALSE(read.list);
    EXPECT_THAT(read.error, HasSubstr(GetParam().error));
}

TEST(SetupList, DestinationsLandInTheirVariablesFolder) {
    const SetupVariables variables = {{"AppPath", MachinePath("M:/pf/VEXO")},
                                      {"Bin", MachinePath("M:/bin/")}};
    EXPECT_EQ(ResolveDestination("$(AppPath)\\docs/LICENSE.txt", variables),
              MachinePath("M:/pf/VEXO/docs/LICENSE.txt"));
    EXPECT_EQ(ResolveDestination("$(Bin)/plumex", variables), MachinePath("M:/bin/plumex"));
    EXPECT_EQ(ResolveDestination("$(Data)\\x", variables), std::nullopt);
}

}  // namespace
}  // namespace setup
