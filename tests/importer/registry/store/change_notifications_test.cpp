// The matching of logged changes to subscriptions, and what happens when the log was trimmed
// before a watcher read it.
#include "importer/registry/store/change_notifications.h"

#include <gtest/gtest.h>

#include "importer/registry/store/store_status.h"

namespace registry::store::test {
namespace {

using common::WaitForEventHandle;
using common::WaitResult;
using std::chrono::milliseconds;

// HKEY_CURRENT_USER (2147483649) > 10 > 11 > 12, and 20 beside 10.
const std::vector<KeyId> kWatched = {2147483649, 10};

Subscription Watching(bool subtree, std::uint32_t filter, common::EventHandle event = 0) {
    Subscription subscription;
    subscription.handle = 0x100;
    subscription.key = kWatched.back();
    subscription.path = KeyPathText(kWatched);
    subscription.watchSubtree = subtree;
    subscription.filter = filter;
    subscription.event = event;
    return subscription;
}

ChangeRecord Change(std::int64_t sequence, std::vector<KeyId> chain, std::uint32_t kind) {
    return ChangeRecord{sequence, chain.back(), kind, KeyPathText(chain)};
}

struct ScopeCase {
    const char* label;
    bool subtree;
    std::uint32_t filter;
    std::vector<KeyId> changed;
    std::uint32_t kind;
    bool inScope;
};

class InScopeTest : public ::testing::TestWithParam<ScopeCase> {};

TEST_P(InScopeTest, Judges) {
    const ScopeCase& scope = GetParam();
    EXPECT_EQ(InScope(Watching(scope.subtree, scope.filter), Change(1, scope.changed, scope.kind)),
              scope.inScope);
}

constexpr std::uint32_t kBoth = kChangeSubkeys | kChangeValues;

// The rest of the scope rules are proven end to end in store_notify_test.cpp.
INSTANTIATE_TEST_SUITE_P(
    Changes, InScopeTest,
    ::testing::Values(
        // "/2147483649/10/" must not be taken for an ancestor of "/2147483649/100/".
        ScopeCase{"KeyWhoseNumberExtendsTheWatchedOne",
                  true,
                  kBoth,
                  {2147483649, 100},
                  kChangeValues,
                  false},
        ScopeCase{
            "GrandchildInSubtree", true, kBoth, {2147483649, 10, 11, 12}, kChangeSubkeys, true},
        ScopeCase{"WatchedKeyDeletedWhateverTheFilter",
                  false,
                  kChangeSubkeys,
                  {2147483649, 10},
                  kChangeKeyDeleted,
                  true},
        ScopeCase{"DescendantDeletedIsNoDeletionOfTheWatchedKey",
                  true,
                  kChangeValues,
                  {2147483649, 10, 11},
                  kChangeKeyDeleted,
                  false}),
    [](const auto& entry) { return std::string(entry.param.label); });

TEST(SubscriptionsTest, ATrimmedLogFiresWhatMayHaveBeenMissed) {
    Subscriptions subscriptions;
    const common::ScopedEvent event(true, false);
    Subscription subscription = Watching(false, kChangeValues, event.get());
    subscription.seen = 5;
    subscriptions.Add(subscription);
    // Changes 6 and 7 are gone from the log; 8 is out of scope.
    subscriptions.Dispatch({Change(8, {2147483649, 20}, kChangeValues)}, true);
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::Signalled);
    EXPECT_FALSE(subscriptions.OldestSeen().has_value());
}

TEST(SubscriptionsTest, CompleteReadingMovesTheMarkAndAPartialOneDoesNot) {
    Subscriptions subscriptions;
    const common::ScopedEvent event(true, false);
    Subscription subscription = Watching(false, kChangeValues, event.get());
    subscription.seen = 5;
    subscriptions.Add(subscription);
    // A writer's own changes: no gap is assumed before them, and the mark stays.
    subscriptions.Dispatch({Change(9, {2147483649, 20}, kChangeValues)}, false);
    EXPECT_EQ(subscriptions.OldestSeen(), 5);
    subscriptions.Dispatch({Change(6, {2147483649, 20}, kChangeValues),
                            Change(7, {2147483649, 10, 11}, kChangeValues)},
                           true);
    EXPECT_EQ(subscriptions.OldestSeen(), 7);
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::TimedOut);
    subscriptions.Dispatch({Change(8, {2147483649, 10}, kChangeValues)}, true);
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::Signalled);
}

TEST(SubscriptionsTest, EndingAHandlesSubscriptionsSignalsThem) {
    Subscriptions subscriptions;
    const common::ScopedEvent mine(true, false);
    const common::ScopedEvent other(true, false);
    Subscription subscription = Watching(false, kChangeValues, mine.get());
    auto outcome = std::make_shared<Status>(kErrorSuccess);
    subscription.outcome = outcome;
    subscriptions.Add(subscription);
    Subscription another = Watching(false, kChangeValues, other.get());
    another.handle = 0x104;
    subscriptions.Add(another);

    subscriptions.EndForHandle(0x100);
    EXPECT_EQ(WaitForEventHandle(mine.get(), milliseconds(0)), WaitResult::Signalled);
    EXPECT_EQ(*outcome, kErrorNotifyCleanup);
    EXPECT_EQ(WaitForEventHandle(other.get(), milliseconds(0)), WaitResult::TimedOut);
    subscriptions.EndAll();
    EXPECT_EQ(WaitForEventHandle(other.get(), milliseconds(0)), WaitResult::Signalled);
    EXPECT_FALSE(subscriptions.OldestSeen().has_value());
}

}  // namespace
}  // namespace registry::store::test
