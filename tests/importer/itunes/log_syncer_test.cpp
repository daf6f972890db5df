#include "importer/itunes/library/log_syncer.h"

#include <gtest/gtest.h>

#include "common/sqlite_database.h"
#include "tests/support/temp_folder.h"

namespace itunes::library::test {
namespace {

// Stopping syncs what waits: a commit is shown synced afterwards, and nothing is shown synced
// that no commit asked for.
class LogSyncerTest : public ::testing::TestWithParam<bool> {};

TEST_P(LogSyncerTest, StoppingSyncsTheCommitsThatWait) {
    const bool committed = GetParam();
    vexo::test_support::TempFolder folder;
    const std::string path = folder / "log.db";
    common::sqlite::Database db;
    ASSERT_EQ(common::sqlite::Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, {}, db),
              SQLITE_OK);
    ASSERT_EQ(common::sqlite::Execute(db.get(), "PRAGMA journal_mode = WAL; CREATE TABLE t(x)"),
              SQLITE_OK);

    LogSyncer syncer(path);
    const SyncClock::time_point beforeTheCommit = SyncClock::now();
    if (committed) {
        ASSERT_EQ(common::sqlite::Execute(db.get(), "INSERT INTO t VALUES(1)"), SQLITE_OK);
        syncer.Committed();
    }
    syncer.Stop();

    EXPECT_EQ(syncer.SyncedUpTo() >= beforeTheCommit, committed);
}

INSTANTIATE_TEST_SUITE_P(Cases, LogSyncerTest, ::testing::Bool(),
                         [](const auto& row) { return row.param ? "ACommit" : "NoCommit"; });

}  // namespace
}  // namespace itunes::library::test
