// The matching of logged changes to subscriptions, and what happens when the log was trimmed
// before a watcher read it.
#include "importer/registry/store/change_notifications.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "importer/registry/store/store_status.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace registry::store::test {
namespace {

using common::WaitForEventHandle;
using common::WaitResult;
using std::chrono::milliseconds;

// HKEY_CURRENT_USER > kKey10 > kKey11 > kKey12, and kKey20 beside kKey10: keys numbered after the
// hive, as the store numbers them.
constexpr KeyId kHkcu = 2147483649;
constexpr KeyId kKey10 = kHkcu + 10, kKey11 = kHkcu + 11, kKey12 = kHkcu + 12, kKey20 = kHkcu + 20,
                kKey100 = kHkcu + 100;
const std::vector<KeyId> kWatched = {kHkcu, kKey10};

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

ChangeRecord Change(std::int64_t sequence, std::vector<KeyId> chain, std::uint32_t kind,
                    std::uint32_t levels = 1) {
    return ChangeRecord{sequence, chain.back(), kind, KeyPathText(chain), levels};
}

struct ScopeCase {
    const char* label;
    bool subtree;
    std::uint32_t filter;
    std::vector<KeyId> changed;
    std::uint32_t kind;
    bool inScope;
    std::uint32_t levels = 1;  // of changed's keys, counted from its end
};

class InScopeTest : public ::testing::TestWithParam<ScopeCase> {};

TEST_P(InScopeTest, Judges) {
    const ScopeCase& scope = GetParam();
    EXPECT_EQ(InScope(Watching(scope.subtree, scope.filter),
                      Change(1, scope.changed, scope.kind, scope.levels)),
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
                  {kHkcu, kKey100},
                  kChangeValues,
                  false},
        ScopeCase{"GrandchildInSubtree",
                  true,
                  kBoth,
                  {kHkcu, kKey10, kKey11, kKey12},
                  kChangeSubkeys,
                  true},
        ScopeCase{"WatchedKeyDeletedWhateverTheFilter",
                  false,
                  kChangeSubkeys,
                  {kHkcu, kKey10},
                  kChangeKeyDeleted,
                  true},
        ScopeCase{"DescendantDeletedIsNoDeletionOfTheWatchedKey",
                  true,
                  kChangeValues,
                  {kHkcu, kKey10, kKey11},
                  kChangeKeyDeleted,
                  false},
        // Levels made at once below 10: the subkeys of 10, 11 and 12 changed...
        ScopeCase{"WatchedKeyAmongTheLevels",
                  false,
                  kChangeSubkeys,
                  {kHkcu, kKey10, kKey11, kKey12},
                  kChangeSubkeys,
                  true,
                  3},
        // ... or, below 11, only those of 11 and 12.
        ScopeCase{"WatchedKeyAboveTheLevels",
                  false,
                  kChangeSubkeys,
                  {kHkcu, kKey10, kKey11, kKey12},
                  kChangeSubkeys,
                  false,
                  2},
        ScopeCase{"SubtreeAboveTheLevels",
                  true,
                  kChangeSubkeys,
                  {kHkcu, kKey10, kKey11, kKey12},
                  kChangeSubkeys,
                  true,
                  2}),
    [](const auto& entry) { return std::string(entry.param.label); });

TEST(SubscriptionsTest, ATrimmedLogFiresWhatMayHaveBeenMissed) {
    Subscriptions subscriptions;
    const common::ScopedEvent event(true, false);
    Subscription subscription = Watching(false, kChangeValues, event.get());
    subscription.seen = 5;
    subscriptions.Add(subscription);
    // Changes 6 and 7 are gone from the log; 8 is out of scope.
    subscriptions.Dispatch({Change(8, {kHkcu, kKey20}, kChangeValues)}, true);
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
    subscriptions.Dispatch({Change(9, {kHkcu, kKey20}, kChangeValues)}, false);
    EXPECT_EQ(subscriptions.OldestSeen(), 5);
    subscriptions.Dispatch({Change(6, {kHkcu, kKey20}, kChangeValues),
                            Change(7, {kHkcu, kKey10, kKey11}, kChangeValues)},
                           true);
    EXPECT_EQ(subscriptions.OldestSeen(), 7);
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::TimedOut);
    subscriptions.Dispatch({Change(8, {kHkcu, kKey10}, kChangeValues)}, true);
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

TEST(ChangeBellTest, IsPrivateAndRingsNoFileALinkPointsTo) {
    const vexo::test_support::TempFolder folder;
    const std::string database = folder / "registry.db";
    const std::string bell = ChangeBell::PathFor(database);
    ChangeBell(database).Ring();
    struct stat made {};
    ASSERT_EQ(lstat(bell.c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0600u);

    const std::string elsewhere = folder / "elsewhere";
    ASSERT_TRUE(vexo::test_support::WriteFile(elsewhere, "untouched"));
    ASSERT_EQ(unlink(bell.c_str()), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), bell.c_str()), 0);
    ChangeBell(database).Ring();
    EXPECT_EQ(vexo::test_support::ReadText(elsewhere), "untouched");
}

}  // namespace
}  // namespace registry::store::test
