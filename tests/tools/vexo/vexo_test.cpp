#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/vexo/command.h"
#include "tools/vexo/interrupt_guard.h"

#ifndef _WIN32
#include <signal.h>
#endif

namespace vexo::cli::test {
namespace {

#ifndef _WIN32
// Each signal that asks a command to end is only a flag while the guard lives, and the handler
// that was there before is back afterwards.
class InterruptGuardSignalTest : public testing::TestWithParam<int> {};

TEST_P(InterruptGuardSignalTest, IsAFlagWhileTheGuardLives) {
    struct sigaction before {};
    ASSERT_EQ(sigaction(GetParam(), nullptr, &before), 0);
    {
        InterruptGuard guard;
        ASSERT_TRUE(guard.Installed());
        ASSERT_EQ(raise(GetParam()), 0);
        EXPECT_TRUE(InterruptGuard::TakeInterrupt());
        EXPECT_FALSE(InterruptGuard::TakeInterrupt());
    }
    struct sigaction after {};
    ASSERT_EQ(sigaction(GetParam(), nullptr, &after), 0);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

INSTANTIATE_TEST_SUITE_P(StopSignals, InterruptGuardSignalTest,
                         testing::Values(SIGINT, SIGTERM, SIGHUP));
#endif

using testing::HasSubstr;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome RunWith(std::vector<std::string_view> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunTool(args, out, err);
    return {status, out.str(), err.str()};
}

struct UsageCase {
    std::vector<std::string_view> args;
    int status;
    std::string outContains;
    std::string errContains;
};

class VexoUsageTest : public testing::TestWithParam<UsageCase> {};

TEST_P(VexoUsageTest, AnswersWithTheRightStreamAndStatus) {
    const UsageCase& c = GetParam();
    const Outcome run = RunWith(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_THAT(run.out, HasSubstr(c.outContains));
    EXPECT_THAT(run.err, HasSubstr(c.errContains));
    if (c.outContains.empty()) {
        EXPECT_EQ(run.out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, VexoUsageTest,
    testing::Values(UsageCase{{}, kExitUsage, "", "Usage: vexo COMMAND"},
                    UsageCase{{"--help"}, kExitOk, "verinfo", ""},
                    UsageCase{{"-h"}, kExitOk, "Usage: vexo COMMAND", ""},
                    UsageCase{{"--version"}, kExitOk, "1.0.2", ""},
                    UsageCase{{"frobnicate"}, kExitUsage, "", "unknown command 'frobnicate'"},
                    UsageCase{{"verinfo", "--help"}, kExitOk, "Usage: vexo verinfo FILE", ""},
                    UsageCase{{"verinfo", "/?"}, kExitOk, "Usage: vexo verinfo", ""},
                    UsageCase{{"verinfo", "-h", "x.dll"}, kExitOk, "Usage: vexo verinfo", ""},
                    UsageCase{{"verinfo"}, kExitUsage, "", "expected exactly one FILE"},
                    UsageCase{{"verinfo", "a", "b"}, kExitUsage, "", "expected exactly one FILE"},
                    UsageCase{{"verinfo", "/nonexistent/iTunes.exe"},
                              kExitFailed,
                              "",
                              "/nonexistent/iTunes.exe: no readable version information"}));

#ifdef VEXO_VERSIONED_DLL  // the MinGW-built DLL, where the cross tools made it
TEST(VexoVerinfo, PrintsTheRecordOfADllOneFieldPerLine) {
    const Outcome run = RunWith({"verinfo", VEXO_VERSIONED_DLL});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.err, "");

    std::vector<std::string> names;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        names.push_back(line.substr(0, line.find('=')));
    }
    EXPECT_THAT(names, testing::ElementsAre("CompanyName", "FileDescription", "FileVersion",
                                            "FileVersionParts", "InternalName", "LegalCopyright",
                                            "OriginalFilename", "ProductName", "ProductVersion",
                                            "ProductVersionParts", "Comments", "LegalTrademarks",
                                            "PrivateBuild", "SpecialBuild"));
    EXPECT_THAT(run.out, HasSubstr("\nFileVersion=7.1.0.59\nFileVersionParts=7,1,0,59\n"));
    EXPECT_THAT(run.out, HasSubstr("\nSpecialBuild=\n"));
}
#endif

}  // namespace
}  // namespace vexo::cli::test
