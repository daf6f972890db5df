// The tag writer killed with SIGKILL in a process of its own at every step of both its ways of
// writing, in the middle of Recover, and at random steps of the test's choosing: once Recover
// has run, the file is the old one or the new one and nothing else is left.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "importer/itunes/library/file_tag_writer.h"
#include "tests/importer/itunes/file_tag_test_files.h"
#include "tests/importer/itunes/file_tag_test_io.h"
#include "tests/support/child_process.h"

namespace itunes::library::test {
namespace {

using ::testing::IsEmpty;

// A running file_tag_crash_helper, its standard input and output piped to the test: a paced
// helper says when it is about to make a step ("step\n") and makes it once told to ("g").
class Helper : public vexo::test_support::ChildProcess {
  public:
    explicit Helper(std::vector<std::string> arguments)
        : ChildProcess(WithProgram(std::move(arguments)), {true, Output::kToPipe}) {}

    // Waits until a paced helper is about to make its next step; false when it ended instead.
    bool AwaitStep() { return ReadExactly(5); }
    // Lets the step waited for be made.
    bool Go() { return Write("g"); }
    void Kill() { Signal(SIGKILL); }

  private:
    static std::vector<std::string> WithProgram(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), VEXO_FILE_TAG_CRASH_HELPER);
        return arguments;
    }
};

bool Killed(int status) {
    return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

bool Done(int status) {
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// More steps than either way of writing (or Recover) takes: a loop that gets here never ends.
constexpr int kMostSteps = 100;

struct CrashCase {
    const char* label;
    bool headerFirst;
    std::size_t planKind;  // the index of the plan's write: in place or rebuilt
};

class CrashTest : public ::testing::TestWithParam<CrashCase> {
  protected:
    void SetUp() override {
        old_ = files_.MakeClip(GetParam().headerFirst);
        common::MemoryByteSource source(old_);
        const mp4::TagWritePlan plan = mp4::PlanTagWrite(source, SampleTags());
        ASSERT_EQ(plan.write.index(), GetParam().planKind) << plan.refusal;
        new_ = mp4::ApplyPlan(old_, plan);
    }

    void PutOldFileBack() { ASSERT_TRUE(WriteBytes(files_.media, old_)); }

    // The helper's wait status; step is a number or "paced".
    int Run(const std::string& step, bool recover = false) {
        std::vector<std::string> arguments = {files_.library, files_.media, step};
        if (recover) {
            arguments.emplace_back("recover");
        }
        return Helper(arguments).Wait();
    }

    // Half-written: the file neither the old nor the new one, or a new file beside it.
    bool Torn() const {
        const Bytes now = ReadBytes(files_.media);
        const auto names = files_.LeftOver();
        return (now != old_ && now != new_) ||
               std::any_of(names.begin(), names.end(), [](const std::string& name) {
                   return name.find(FileTagWriter::kNewFileMark) != std::string::npos;
               });
    }

    void ExpectRecovered(const std::string& when) {
        EXPECT_TRUE(FileTagWriter::Recover(files_.library)) << when;
        const Bytes now = ReadBytes(files_.media);
        EXPECT_TRUE(now == old_ || now == new_) << when;
        EXPECT_THAT(files_.LeftOver(), IsEmpty()) << when;
    }

    TagFiles files_;
    Bytes old_;
    Bytes new_;
};

TEST_P(CrashTest, EveryStepLeavesTheOldOrTheNewFile) {
    std::optional<int> firstTorn;
    int step = 0;
    for (;; ++step) {
        ASSERT_LT(step, kMostSteps);
        PutOldFileBack();
        const int status = Run(std::to_string(step));
        if (Done(status)) {
            break;
        }
        ASSERT_TRUE(Killed(status)) << "step " << step << ", status " << status;
        if (!firstTorn && Torn()) {
            firstTorn = step;
        }
        ExpectRecovered("killed at step " + std::to_string(step));
    }
    EXPECT_TRUE(ReadBytes(files_.media) == new_);
    EXPECT_THAT(files_.LeftOver(), IsEmpty());
    EXPECT_EQ(FileTagWriter(files_.library).Write(files_.media, SampleTags()).outcome,
              TagWriteOutcome::kUnchanged);

    // The first half-written state again, now with Recover killed at each of its own steps.
    ASSERT_TRUE(firstTorn.has_value());
    for (int recoverStep = 0;; ++recoverStep) {
        ASSERT_LT(recoverStep, kMostSteps);
        PutOldFileBack();
        ASSERT_TRUE(Killed(Run(std::to_string(*firstTorn))));
        const int status = Run(std::to_string(recoverStep), true);
        ASSERT_TRUE(Done(status) || Killed(status)) << "recover step " << recoverStep;
        ExpectRecovered("recover killed at step " + std::to_string(recoverStep));
        if (Done(status)) {
            break;
        }
    }
}

TEST_P(CrashTest, KilledByAnotherProcessAtRandomSteps) {
    // How many steps a whole write takes: a paced helper let through every one.
    PutOldFileBack();
    int steps = 0;
    {
        Helper helper({files_.library, files_.media, "paced"});
        for (; helper.AwaitStep(); ++steps) {
            ASSERT_TRUE(helper.Go());
        }
        ASSERT_TRUE(Done(helper.Wait()));
    }
    ASSERT_TRUE(ReadBytes(files_.media) == new_);
    ASSERT_GT(steps, 0);

    // VEXO_CRASH_SEED repeats a run.
    const char* given = std::getenv("VEXO_CRASH_SEED");
    const unsigned seed = given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                                           : std::random_device{}();
    std::cout << "crash seed " << seed << "\n";
    SCOPED_TRACE("VEXO_CRASH_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, steps - 1);
    for (int round = 0; round < 6; ++round) {
        PutOldFileBack();
        const int killAt = pick(random);
        Helper helper({files_.library, files_.media, "paced"});
        for (int step = 0; step < killAt; ++step) {
            ASSERT_TRUE(helper.AwaitStep() && helper.Go());
        }
        ASSERT_TRUE(helper.AwaitStep());
        helper.Kill();
        ASSERT_TRUE(Killed(helper.Wait()));
        ExpectRecovered("killed by the test before step " + std::to_string(killAt));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, CrashTest,
                         ::testing::Values(CrashCase{"MovieHeaderLast", false, 1},
                                           CrashCase{"MovieHeaderFirst", true, 2}),
                         [](const auto& param) { return std::string(param.param.label); });

}  // namespace
}  // namespace itunes::library::test
