#include <gtest/gtest.h>

#include "importer/itunes/library/add_worker.h"

namespace itunes::library::test {
namespace {

// Whoever asks to be told of an add's end is told once, whether it asked before or after.
class AddJobEndTest : public ::testing::TestWithParam<bool> {};

TEST_P(AddJobEndTest, TellsOnceWhenTheAddIsComplete) {
    const bool askedBeforeTheEnd = GetParam();
    AddJobState job;
    int told = 0;
    bool doneWhenTold = false;
    const auto ask = [&] {
        job.WhenDone([&] {
            ++told;
            doneWhenTold = job.Done();
        });
    };

    if (askedBeforeTheEnd) {
        ask();
        EXPECT_EQ(told, 0);
    }
    job.Complete({AddResult::kAdded, {}});
    if (!askedBeforeTheEnd) {
        ask();
    }

    EXPECT_EQ(told, 1);
    EXPECT_TRUE(doneWhenTold);
    EXPECT_EQ(job.Wait().result, AddResult::kAdded);
}

INSTANTIATE_TEST_SUITE_P(Moments, AddJobEndTest, ::testing::Bool(), [](const auto& row) {
    return std::string(row.param ? "AskedBeforeTheEnd" : "AskedAfterTheEnd");
});

}  // namespace
}  // namespace itunes::library::test
