// The store shared between processes: a writer killed with SIGKILL, two writers at once, and
// notifications of changes made by another process.
#include <set>

#include "common/event.h"
#include "common/sqlite_database.h"
#include "tests/importer/registry/store/store_test_support.h"

namespace registry::testing {
namespace {

std::string IntegrityCheck(const std::string& path) {
    common::sqlite::Database database;
    if (common::sqlite::Open(path, SQLITE_OPEN_READONLY, {}, database) != SQLITE_OK) {
        return "cannot open";
    }
    common::sqlite::Statement check(database.get(), "PRAGMA integrity_check");
    return check.Step() == SQLITE_ROW ? check.ColumnText(0) : "cannot open";
}

TEST(StoreProcessesTest, AcknowledgedWritesSurviveKillingTheWriter) {
    TempFolder folder;
    const std::string path = folder / "registry.db";
    std::vector<std::uint32_t> acknowledged;
    {
        WriterProcess writer({path, "soak", "1000000"});
        ASSERT_TRUE(writer.Started());
        writer.CloseInput();
        while (acknowledged.size() < 100) {
            const std::optional<std::string> line = writer.ReadLine();
            ASSERT_TRUE(line.has_value()) << "the writer stopped early";
            acknowledged.push_back(static_cast<std::uint32_t>(std::stoul(*line)));
        }
        writer.Kill();
        // Whatever it acknowledged before it died counts too.
        while (const std::optional<std::string> line = writer.ReadLine()) {
            acknowledged.push_back(static_cast<std::uint32_t>(std::stoul(*line)));
        }
        EXPECT_EQ(writer.Wait(), -1);  // killed, not finished
    }

    EXPECT_EQ(IntegrityCheck(path), "ok");
    StoreRegistryApi api(path);
    ASSERT_EQ(api.OpenStatus(), kErrorSuccess);
    Hkey soak = 0;
    ASSERT_EQ(api.RegOpenKeyEx(kHkeyCurrentUser, "Soak", kKeyAllAccess, soak), kErrorSuccess);
    for (const std::uint32_t round : acknowledged) {
        EXPECT_EQ(GetValue(api, soak, "v" + std::to_string(round)),
                  (StoredValue{kRegDword, DwordBytes(round)}))
            << round;
    }
    // Every round's key was created with its Leaf in one write: never one without the other.
    const std::vector<std::string> rounds = SubkeyNames(api, soak);
    EXPECT_GE(rounds.size(), acknowledged.size());
    for (const std::string& round : rounds) {
        Hkey leaf = 0;
        EXPECT_EQ(api.RegOpenKeyEx(soak, round + "\\Leaf", kKeyRead, leaf), kErrorSuccess) << round;
        api.RegCloseKey(leaf);
    }
    // The store goes on taking writes.
    EXPECT_EQ(SetValue(api, soak, "after", kRegDword, DwordBytes(1)), kErrorSuccess);
}

TEST(StoreProcessesTest, TwoWritersAtOnceLoseNothing) {
    TempFolder folder;
    const std::string path = folder / "registry.db";  // made by whichever writer comes first
    constexpr int kEach = 200;
    WriterProcess first({path, "values", "a", std::to_string(kEach)});
    WriterProcess second({path, "values", "b", std::to_string(kEach)});
    ASSERT_TRUE(first.Started() && second.Started());
    first.CloseInput();  // both start now
    second.CloseInput();
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(second.Wait(), 0);

    StoreRegistryApi api(path);
    Hkey shared = 0;
    ASSERT_EQ(api.RegOpenKeyEx(kHkeyCurrentUser, "Shared", kKeyRead, shared), kErrorSuccess);
    const std::vector<std::string> names = ValueNames(api, shared);
    EXPECT_EQ(names.size(), 2u * kEach);
    const std::set<std::string> distinct(names.begin(), names.end());
    for (const char* tag : {"a", "b"}) {
        for (int i = 0; i < kEach; ++i) {
            const std::string name = tag + std::to_string(i);
            EXPECT_EQ(distinct.count(name), 1u) << name;
        }
    }
    EXPECT_EQ(IntegrityCheck(path), "ok");
}

struct CrossProcessCase {
    const char* label;
    const char* watched;
    bool watchSubtree;
    std::uint32_t filter;
    std::vector<std::string> childCommand;  // after the store's path
    bool signalled;
};

class CrossProcessNotifyTest : public StoreTest,
                               public ::testing::WithParamInterface<CrossProcessCase> {};

TEST_P(CrossProcessNotifyTest, ChangeByAnotherProcessIsNoticed) {
    const CrossProcessCase& scope = GetParam();
    Create(kHkeyCurrentUser, "Watched\\Leaf");
    Create(kHkeyCurrentUser, "Elsewhere");
    const Hkey watched = Open(kHkeyCurrentUser, scope.watched, kKeyNotify);
    const common::ScopedEvent event(true, false);
    ASSERT_EQ(
        api().RegNotifyChangeKeyValue(watched, scope.watchSubtree, scope.filter, event.get(), true),
        kErrorSuccess);
    // Registered after the watch, concerned by everything (see store_notify_test.cpp).
    const common::ScopedEvent canary(true, false);
    ASSERT_EQ(api().RegNotifyChangeKeyValue(kHkeyCurrentUser, true,
                                            kRegNotifyChangeName | kRegNotifyChangeLastSet,
                                            canary.get(), true),
              kErrorSuccess);

    std::vector<std::string> command{StorePath()};
    command.insert(command.end(), scope.childCommand.begin(), scope.childCommand.end());
    WriterProcess child(command);
    ASSERT_TRUE(child.Started());
    child.CloseInput();
    ASSERT_EQ(child.Wait(), 0);

    ASSERT_EQ(common::WaitForEventHandle(canary.get(), kGuard), common::WaitResult::Signalled);
    EXPECT_EQ(common::WaitForEventHandle(event.get(), std::chrono::milliseconds(0)),
              scope.signalled ? common::WaitResult::Signalled : common::WaitResult::TimedOut);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, CrossProcessNotifyTest,
    ::testing::Values(
        CrossProcessCase{
            "ValueSet", "Watched", false, kRegNotifyChangeLastSet, {"set", "Watched", "x"}, true},
        CrossProcessCase{"SubkeyAddedInSubtree",
                         "Watched",
                         true,
                         kRegNotifyChangeName,
                         {"set", "Watched\\Leaf\\New", "x"},
                         true},
        CrossProcessCase{"WatchedKeyDeleted",
                         "Watched\\Leaf",
                         false,
                         kRegNotifyChangeLastSet,
                         {"delete", "Watched\\Leaf"},
                         true},
        CrossProcessCase{"ChangeOutOfScope",
                         "Watched",
                         true,
                         kRegNotifyChangeName | kRegNotifyChangeLastSet,
                         {"set", "Elsewhere", "x"},
                         false}),
    [](const auto& entry) { return std::string(entry.param.label); });

}  // namespace
}  // namespace registry::testing
