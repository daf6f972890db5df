// The worker's steps within a run: the percentage shown for each block, the order of read,
// check, write and flush with a cancel poll between each, and a cancel at any moment.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "packager/package_worker.h"
#include "tests/packager/fake_worker_world.h"
#include "tests/packager/test_packages.h"

namespace packager::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using testing_support::EventLog;
using testing_support::PatternBytes;
using testing_support::TestEntry;
using testing_support::WorkerRun;

WorkerRun RunOf(const std::vector<TestEntry>& entries) {
    return WorkerRun(testing_support::BuildPackage(entries).bytes);
}

const TestEntry kSetup{"setup.exe", PatternBytes(100, 9), {}};

struct PercentCase {
    std::uint32_t size;
    std::vector<std::uint32_t> shown;
};

class PercentSequenceTest : public ::testing::TestWithParam<PercentCase> {};

// Set before each block: the share already written, never 100; 0 again once the entry is done.
TEST_P(PercentSequenceTest, ShowsTheShareWrittenBeforeEachBlock) {
    WorkerRun run = RunOf({{"data.bin", PatternBytes(GetParam().size, 4), {}}, kSetup});
    run.Run();
    std::vector<std::uint32_t> shown = GetParam().shown;
    shown.insert(shown.end(), {0, 0});  // setup.exe: one block
    EXPECT_THAT(run.view.percents, ElementsAreArray(shown));
}

INSTANTIATE_TEST_SUITE_P(EntrySizes, PercentSequenceTest,
                         ::testing::Values(PercentCase{40000, {0, 40, 81, 0}},
                                           PercentCase{16384, {0, 0}}, PercentCase{16383, {0, 0}},
                                           PercentCase{32769, {0, 49, 99, 0}},
                                           PercentCase{0, {0}}));

TEST(PercentDoneTest, UsesASixtyFourBitProduct) {
    EXPECT_EQ(PercentDone(0, 0), 0u);
    EXPECT_EQ(PercentDone(16384, 40000), 40u);
    EXPECT_EQ(PercentDone(32768, 40000), 81u);
    // 4,294,950,912 x 100 overflows 32 bits.
    EXPECT_EQ(PercentDone(4294950912u, 0xFFFFFFFFu), 99u);
    EXPECT_EQ(PercentDone(0xFFFFFFFEu, 0xFFFFFFFFu), 99u);
    EXPECT_EQ(PercentDone(0xFFFFFFFFu, 0xFFFFFFFFu), 100u);
}

TEST(BlockStepsTest, ReadCheckWriteFlushWithAPollBetweenEach) {
    WorkerRun run = RunOf({{"setup.exe", PatternBytes(16385, 5), {}}});
    run.view.logPolls = true;
    run.Run();
    const auto from = std::find(run.log.begin(), run.log.end(), "create setup.exe");
    const auto to = std::find(run.log.begin(), run.log.end(), "close setup.exe");
    ASSERT_NE(to, run.log.end());
    // The check is the step between the two polls that follow a read.
    EXPECT_THAT(
        std::vector<std::string>(from + 1, to + 1),
        ElementsAreArray(
            {"poll", "progress 0", "read 16384", "poll", "poll", "write 16384", "poll", "flush",  //
             "poll", "progress 99", "read 1", "poll", "poll", "write 1", "poll", "flush",         //
             "progress 0", "close setup.exe"}));
}

TEST(CancelTest, WhileWritingClosesTheFileAndRemovesTheFolderQuietly) {
    WorkerRun run = RunOf({{"Plumex.CAB", PatternBytes(20000, 1), {}},
                           {"setup.exe", PatternBytes(50000, 2), {}},
                           {"SETUP.LST", PatternBytes(10, 3), {}}});
    run.view.cancelWhen = [](const EventLog& log) {
        return std::count(log.begin(), log.end(), "write 16384") == 3;  // in the second entry
    };
    run.Run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.view.boxes, IsEmpty());
    EXPECT_FALSE(run.platform.startedProgram);
    EXPECT_TRUE(run.OnlyTempFolderLeft());
    EXPECT_FALSE(run.Logged("create SETUP.LST"));
    // The entry's file is closed before the folder is emptied.
    const auto closed = std::find(run.log.begin(), run.log.end(), "close setup.exe");
    const auto deleted = std::find(run.log.begin(), run.log.end(), "delete setup.exe");
    ASSERT_NE(deleted, run.log.end());
    EXPECT_LT(closed, deleted);
}

TEST(CancelTest, BeforeTheFolderExistsRemovesNothing) {
    WorkerRun run = RunOf({kSetup});
    run.view.cancelWhen = [](const EventLog& log) {
        return !log.empty() && log.back() == "status Validating Package";
    };
    run.Run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.view.boxes, IsEmpty());
    EXPECT_THAT(run.platform.createdFolders, IsEmpty());
    EXPECT_FALSE(run.Logged("hide cancel"));
}

TEST(CancelTest, AfterSetupEndedRemovesTheFolderWithoutAReport) {
    WorkerRun run = RunOf({kSetup});
    run.platform.undeletable = {"setup.exe"};
    run.view.cancelWhen = [](const EventLog& log) {
        return std::any_of(log.begin(), log.end(),
                           [](const std::string& e) { return e.rfind("start ", 0) == 0; });
    };
    run.Run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.platform.startedProgram);
    EXPECT_TRUE(run.Logged("delete setup.exe"));
    EXPECT_THAT(run.view.boxes, IsEmpty());  // not even the removal failure
}

// Whatever the poll at which Cancel is pressed, the run ends quietly with 0 and leaves nothing.
TEST(CancelTest, AtEveryPollEndsQuietlyAndLeavesNothing) {
    const std::vector<TestEntry> entries = {
        {"Plumex.CAB", PatternBytes(40000, 1), {}}, {"empty.txt", {}, {}}, kSetup};
    WorkerRun whole = RunOf(entries);
    whole.Run();
    ASSERT_EQ(whole.exitCode, 1);
    ASSERT_GT(whole.view.polls, 20);

    for (int poll = 0; poll < whole.view.polls; ++poll) {
        SCOPED_TRACE("cancelled at poll " + std::to_string(poll));
        WorkerRun run = RunOf(entries);
        run.view.cancelAtPoll = poll;
        run.Run();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_THAT(run.view.boxes, IsEmpty());
        EXPECT_TRUE(run.OnlyTempFolderLeft());
        EXPECT_THAT(run.platform.openFiles, IsEmpty());
    }
}

}  // namespace
}  // namespace packager::test
