#include "common/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "tests/support/hang_guard.h"

namespace common::test {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kGuard = vexo::test_support::kHangGuard;
constexpr milliseconds kNow{0};

struct ResetCase {
    const char* label;
    bool manualReset;
    // After one successful wait: is the event still signalled?
    bool stillSignalledAfterWait;
};

class EventResetTest : public testing::TestWithParam<ResetCase> {};

TEST_P(EventResetTest, InitiallySignalledEventReleasesAWaiter) {
    ScopedEvent event(GetParam().manualReset, true);
    ASSERT_NE(event.get(), 0u);
    EXPECT_EQ(WaitForEventHandle(event.get(), kNow), WaitResult::Signalled);
    EXPECT_EQ(WaitForEventHandle(event.get(), kNow),
              GetParam().stillSignalledAfterWait ? WaitResult::Signalled : WaitResult::TimedOut);
}

TEST_P(EventResetTest, SetSignalsAndResetClears) {
    ScopedEvent event(GetParam().manualReset, false);
    EXPECT_EQ(WaitForEventHandle(event.get(), kNow), WaitResult::TimedOut);
    EXPECT_TRUE(SetEventHandle(event.get()));
    EXPECT_TRUE(SetEventHandle(event.get()));  // setting twice does not count twice
    EXPECT_EQ(WaitForEventHandle(event.get(), kGuard), WaitResult::Signalled);
    EXPECT_EQ(WaitForEventHandle(event.get(), kNow),
              GetParam().stillSignalledAfterWait ? WaitResult::Signalled : WaitResult::TimedOut);
    EXPECT_TRUE(ResetEventHandle(event.get()));
    EXPECT_EQ(WaitForEventHandle(event.get(), kNow), WaitResult::TimedOut);
}

TEST_P(EventResetTest, WaiterOnAnotherThreadIsReleasedBySet) {
    ScopedEvent event(GetParam().manualReset, false);
    WaitResult result = WaitResult::Failed;
    std::thread waiter([&] { result = WaitForEventHandle(event.get()); });
    EXPECT_TRUE(SetEventHandle(event.get()));
    waiter.join();
    EXPECT_EQ(result, WaitResult::Signalled);
}

INSTANTIATE_TEST_SUITE_P(Kinds, EventResetTest,
                         testing::Values(ResetCase{"ManualReset", true, true},
                                         ResetCase{"AutoReset", false, false}),
                         [](const auto& entry) { return entry.param.label; });

TEST(EventTest, AutoResetEventReleasesOneWaiterPerSet) {
    ScopedEvent event(false, false);
    std::atomic<int> released{0};
    ScopedEvent oneReleased(true, false);
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&] {
            if (WaitForEventHandle(event.get(), kGuard) == WaitResult::Signalled) {
                ++released;
                SetEventHandle(oneReleased.get());
            }
        });
    }
    ASSERT_TRUE(SetEventHandle(event.get()));
    ASSERT_EQ(WaitForEventHandle(oneReleased.get(), kGuard), WaitResult::Signalled);
    // The released waiter took the signal with it.
    EXPECT_EQ(WaitForEventHandle(event.get(), kNow), WaitResult::TimedOut);
    ASSERT_TRUE(SetEventHandle(event.get()));
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released.load(), 2);
}

TEST(EventTest, ManualResetEventReleasesEveryWaiter) {
    ScopedEvent event(true, false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (WaitForEventHandle(event.get(), kGuard) == WaitResult::Signalled) {
                ++released;
            }
        });
    }
    ASSERT_TRUE(SetEventHandle(event.get()));
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released.load(), 3);
}

TEST(EventTest, HandlesAreDistinctNonZeroAndDieWhenClosed) {
    std::set<EventHandle> handles;
    for (int i = 0; i < 100; ++i) {
        const EventHandle handle = CreateEventHandle(false, false);
        EXPECT_NE(handle, 0u);
        EXPECT_TRUE(handles.insert(handle).second);
    }
    for (const EventHandle handle : handles) {
        EXPECT_TRUE(CloseEventHandle(handle));
        EXPECT_FALSE(CloseEventHandle(handle));
        EXPECT_FALSE(SetEventHandle(handle));
        EXPECT_FALSE(ResetEventHandle(handle));
        EXPECT_EQ(WaitForEventHandle(handle, kNow), WaitResult::Failed);
    }
}

TEST(EventTest, UnknownHandlesFail) {
    for (const EventHandle handle : {EventHandle{0}, EventHandle{0xFFFFFFF0u}}) {
        EXPECT_FALSE(SetEventHandle(handle));
        EXPECT_FALSE(ResetEventHandle(handle));
        EXPECT_FALSE(CloseEventHandle(handle));
        EXPECT_EQ(WaitForEventHandle(handle, kNow), WaitResult::Failed);
    }
}

TEST(EventTest, TimeoutsAtTheEdgesOfTheRange) {
    ScopedEvent event(false, false);
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(-5)), WaitResult::TimedOut);
    // A huge timeout must wait, not overflow its deadline into the past and time out at once.
    WaitResult result = WaitResult::Failed;
    std::thread waiter([&] { result = WaitForEventHandle(event.get(), milliseconds::max()); });
    ASSERT_TRUE(SetEventHandle(event.get()));
    waiter.join();
    EXPECT_EQ(result, WaitResult::Signalled);
}

}  // namespace
}  // namespace common::test
