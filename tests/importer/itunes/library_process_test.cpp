// Two processes using one library at once, and a process killed in the middle of its adds or
// its labelling.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/posix/unique_fd.h"
#include "common/sqlite_database.h"
#include "importer/itunes/library/media_library.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"
#include "tools/testmedia/test_media.h"

namespace itunes::library::test {
namespace {

using vexo::test_support::TempFolder;

// A library_add_helper adding (and, with label, labelling) files, one line a file on its output.
class HelperProcess : public vexo::test_support::ChildProcess {
  public:
    HelperProcess(const std::string& database, const std::vector<std::string>& files,
                  bool label = false)
        : ChildProcess(Arguments(database, files, label), {false, Output::kToPipe}) {}
    void Kill() { Signal(SIGKILL); }

  private:
    static std::vector<std::string> Arguments(const std::string& database,
                                              const std::vector<std::string>& files, bool label) {
        std::vector<std::string> args = {VEXO_LIBRARY_ADD_HELPER};
        if (label) {
            args.emplace_back("--label");
        }
        args.push_back(database);
        args.insert(args.end(), files.begin(), files.end());
        return args;
    }
};

class LibraryProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ok());
        databasePath_ = folder_ / "Music/iTunes/iTunes Library.db";
        clip_ = folder_ / "source.mp4";
        ASSERT_TRUE(vexo::testmedia::WriteVideoClip(clip_, vexo::testmedia::Container::kMp4));
    }

    // count copies of the clip, each its own location.
    std::vector<std::string> Copies(const std::string& stem, int count) {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(folder_ / (stem + std::to_string(i) + ".mp4"));
            std::filesystem::copy_file(clip_, paths.back());
        }
        return paths;
    }

    std::vector<TrackRecord> Movies() {
        auto library = MediaLibrary::OpenExisting(databasePath_);
        EXPECT_NE(library, nullptr);
        auto tracks = library ? library->ListTracks("Movies") : std::nullopt;
        EXPECT_TRUE(tracks.has_value());
        return tracks.value_or(std::vector<TrackRecord>{});
    }

    static std::set<std::string> LocationSet(const std::vector<TrackRecord>& tracks) {
        std::set<std::string> locations;
        for (const auto& track : tracks) {
            locations.insert(track.location);
        }
        return locations;
    }

    // Runs both helpers at once; each one's "added" lines.
    std::vector<int> RunTwo(const std::vector<std::string>& first,
                            const std::vector<std::string>& second) {
        // The library exists before either starts, as an installed one does.
        EXPECT_NE(MediaLibrary::Open(databasePath_), nullptr);
        HelperProcess a(databasePath_, first);
        HelperProcess b(databasePath_, second);
        EXPECT_TRUE(a.Started());
        EXPECT_TRUE(b.Started());
        std::vector<int> added;
        for (HelperProcess* helper : {&a, &b}) {
            int count = 0;
            std::string line;
            while (helper->ReadLine(line)) {
                EXPECT_NE(line.rfind("failed", 0), 0u) << line;
                count += line.rfind("added ", 0) == 0 ? 1 : 0;
            }
            const int status = helper->Wait();
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            added.push_back(count);
        }
        return added;
    }

    // Runs one helper on files and kills it once it has reported count of them done with word
    // ("added", "labelled"); the paths it reported.
    std::set<std::string> KillAfter(const std::vector<std::string>& files, bool label,
                                    const std::string& word, std::size_t count) {
        std::set<std::string> reported;
        HelperProcess helper(databasePath_, files, label);
        EXPECT_TRUE(helper.Started());
        const std::string prefix = word + " ";
        std::string line;
        while (reported.size() < count && helper.ReadLine(line)) {
            EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
            reported.insert(line.substr(prefix.size()));
        }
        helper.Kill();
        const int status = helper.Wait();
        EXPECT_TRUE(WIFSIGNALED(status));
        return reported;
    }

    TempFolder folder_;
    std::string databasePath_;
    std::string clip_;
};

TEST_F(LibraryProcessTest, TheSameFilesFromTwoProcessesBecomeOneTrackEach) {
    const auto files = Copies("same", 12);
    const auto added = RunTwo(files, files);
    EXPECT_EQ(added[0] + added[1], 12);
    const auto tracks = Movies();
    EXPECT_EQ(tracks.size(), 12u);
    EXPECT_EQ(LocationSet(tracks), std::set<std::string>(files.begin(), files.end()));
}

TEST_F(LibraryProcessTest, DifferentFilesFromTwoProcessesAreAllKept) {
    const auto first = Copies("first", 12);
    const auto second = Copies("second", 12);
    const auto added = RunTwo(first, second);
    EXPECT_EQ(added[0], 12);
    EXPECT_EQ(added[1], 12);
    std::set<std::string> expected(first.begin(), first.end());
    expected.insert(second.begin(), second.end());
    EXPECT_EQ(LocationSet(Movies()), expected);
}

std::string QueryText(const common::sqlite::Database& db, const char* sql) {
    common::sqlite::Statement query(db.get(), sql);
    const int step = query.Step();
    return step == SQLITE_ROW ? query.ColumnText(0) : step == SQLITE_DONE ? "<none>" : "<error>";
}

TEST_F(LibraryProcessTest, KillingAnAddingProcessLeavesAConsistentLibrary) {
    const auto files = Copies("episode", 200);
    ASSERT_NE(MediaLibrary::Open(databasePath_), nullptr);
    const std::set<std::string> acknowledged = KillAfter(files, false, "added", 5);
    ASSERT_EQ(acknowledged.size(), 5u);

    common::sqlite::Database db;
    ASSERT_EQ(common::sqlite::Open(databasePath_, SQLITE_OPEN_READWRITE, {}, db), SQLITE_OK);
    EXPECT_EQ(QueryText(db, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(QueryText(db, "PRAGMA foreign_key_check"), "<none>");
    // Every track is in both playlists: no track without its memberships, none half there.
    EXPECT_EQ(QueryText(db,
                        "SELECT COUNT(*) FROM tracks t JOIN playlists p ON p.name IN "
                        "('Library', 'Movies') WHERE NOT EXISTS (SELECT 1 FROM playlist_tracks m "
                        "WHERE m.playlist_id = p.id AND m.track_id = t.id)"),
              "0");
    EXPECT_EQ(QueryText(db,
                        "SELECT COUNT(*) FROM playlist_tracks WHERE track_id NOT IN "
                        "(SELECT id FROM tracks)"),
              "0");
    db.reset();

    const auto tracks = Movies();
    const auto locations = LocationSet(tracks);
    EXPECT_GE(tracks.size(), acknowledged.size());
    for (const auto& path : acknowledged) {
        EXPECT_EQ(locations.count(path), 1u) << path;
    }
    // The library goes on working.
    auto library = MediaLibrary::Open(databasePath_);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->AddAndWait(files.back()).result,
              locations.count(files.back()) ? AddResult::kIgnored : AddResult::kAdded);
}

TEST_F(LibraryProcessTest, KillingALabellingProcessKeepsEveryWriteItReported) {
    const auto files = Copies("episode", 200);
    ASSERT_NE(MediaLibrary::Open(databasePath_), nullptr);
    const std::set<std::string> labelled = KillAfter(files, true, "labelled", 5);
    ASSERT_EQ(labelled.size(), 5u);

    common::sqlite::Database db;
    ASSERT_EQ(common::sqlite::Open(databasePath_, SQLITE_OPEN_READWRITE, {}, db), SQLITE_OK);
    EXPECT_EQ(QueryText(db, "PRAGMA integrity_check"), "ok");
    db.reset();

    int found = 0;
    for (const auto& track : Movies()) {
        if (labelled.count(track.location) == 0) {
            continue;
        }
        ++found;
        EXPECT_EQ(track.show, "Show") << track.location;
        EXPECT_EQ(track.season_number, 1) << track.location;
        EXPECT_EQ(track.episode_id, "Episode") << track.location;
        EXPECT_EQ(track.name, "Episode") << track.location;
        EXPECT_EQ(track.sort_name, std::to_string(track.episode_number)) << track.location;
        EXPECT_GT(track.episode_number, 0) << track.location;
        EXPECT_EQ(track.video_kind, 3) << track.location;
    }
    EXPECT_EQ(found, 5);
}

}  // namespace
}  // namespace itunes::library::test
