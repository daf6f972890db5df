#include "importer/itunes/library/media_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "common/ascii_case.h"
#include "common/machine_prefix.h"
#include "common/sqlite_database.h"
#include "importer/itunes/itunes.h"
#include "importer/itunes/library/library_application.h"
#include "tests/importer/itunes/library_test_support.h"

namespace itunes::library::test {
namespace {

using test::AddAndWait;
using test::MakeClip;
using test::PlaylistNamed;
using vexo::testmedia::Container;

class MediaLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ok());
        // Folders that do not exist yet: the library creates them.
        databasePath_ = folder_ / "Music/iTunes/iTunes Library.db";
        application_ = OpenLibrary(databasePath_);
        ASSERT_NE(application_, nullptr);
        movies_ = PlaylistNamed(*application_, "Movies");
        library_ = PlaylistNamed(*application_, "Library");
        ASSERT_NE(movies_, nullptr);
        ASSERT_NE(library_, nullptr);
    }

    std::vector<TrackRecord> Tracks(std::string_view playlist) {
        auto media = MediaLibrary::OpenExisting(databasePath_);
        EXPECT_NE(media, nullptr);
        if (media == nullptr) {
            return {};
        }
        auto tracks = media->ListTracks(playlist);
        EXPECT_TRUE(tracks.has_value());
        return tracks.value_or(std::vector<TrackRecord>{});
    }

    Ref<Track> FirstMovie() {
        auto tracks = movies_->Tracks();
        return tracks ? tracks->Next() : nullptr;
    }

    static std::vector<std::string> Locations(TrackCollection& collection) {
        std::vector<std::string> locations;
        while (auto track = collection.Next()) {
            locations.push_back(track->Location().value_or("<unreadable>"));
        }
        return locations;
    }

    // The locations of a collection of playlist taken now.
    static std::vector<std::string> Listed(Playlist& playlist) {
        auto tracks = playlist.Tracks();
        EXPECT_NE(tracks, nullptr);
        return tracks ? Locations(*tracks) : std::vector<std::string>{"<no collection>"};
    }

    TempFolder folder_;
    std::string databasePath_;
    Ref<Application> application_;
    Ref<Playlist> movies_;
    Ref<Playlist> library_;
};

class AcceptedContainerTest : public MediaLibraryTest,
                              public ::testing::WithParamInterface<Container> {};

TEST_P(AcceptedContainerTest, BecomesATrackWithItsMediaProperties) {
    const std::string clip = MakeClip(folder_, "Pilot", GetParam());
    ASSERT_TRUE(AddAndWait(*movies_, clip));

    const auto tracks = Tracks("Movies");
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].location, clip);
    EXPECT_EQ(tracks[0].name, "Pilot");
    EXPECT_EQ(tracks[0].width, 64);
    EXPECT_EQ(tracks[0].height, 48);
    EXPECT_EQ(tracks[0].codec, "mpeg4");
    EXPECT_GT(tracks[0].duration_ms, 0);
    EXPECT_EQ(tracks[0].video_kind, 0);
    EXPECT_EQ(Tracks("Library").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Containers, AcceptedContainerTest,
                         ::testing::Values(Container::kMp4, Container::kM4v, Container::kMov),
                         [](const auto& param) {
                             return std::string(vexo::testmedia::Extension(param.param).substr(1));
                         });

TEST_F(MediaLibraryTest, UnusableFilesCompleteWithoutATrackAndSayWhy) {
    WriteFile(folder_ / "notes.mp4", "plain text\n");
    WriteFile(folder_ / "empty.mp4", "");
    ASSERT_TRUE(vexo::testmedia::WriteAudioOnlyClip(folder_ / "song.m4a"));
    const std::string whole = MakeClip(folder_, "whole");
    ASSERT_TRUE(vexo::testmedia::WriteTruncatedCopy(whole, folder_ / "cut.mp4",
                                                    std::filesystem::file_size(whole) / 2));
    const std::vector<std::string> junk = {folder_ / "notes.mp4", folder_ / "empty.mp4",
                                           folder_ / "song.m4a", folder_ / "cut.mp4",
                                           folder_ / "missing.mp4", "",
                                           // Names clip.mp4, which exists, only up to the NUL.
                                           MakeClip(folder_, "clip") + std::string(1, '\0') + "x"};
    for (const auto& path : junk) {
        EXPECT_TRUE(AddAndWait(*movies_, path)) << path;
    }
    EXPECT_TRUE(Tracks("Library").empty());

    auto media = MediaLibrary::Open(databasePath_);
    ASSERT_NE(media, nullptr);
    for (const auto& path : junk) {
        const AddOutcome outcome = media->AddAndWait(path);
        EXPECT_EQ(outcome.result, AddResult::kIgnored) << path;
        EXPECT_FALSE(outcome.reason.empty()) << path;
    }
}

TEST_F(MediaLibraryTest, AFileAlreadyThereIsIgnored) {
    const std::string clip = MakeClip(folder_, "clip");
    ASSERT_TRUE(AddAndWait(*movies_, clip));
    ASSERT_TRUE(AddAndWait(*movies_, clip));
    ASSERT_TRUE(AddAndWait(*library_, clip));
    EXPECT_EQ(Tracks("Movies").size(), 1u);
    EXPECT_EQ(Tracks("Library").size(), 1u);

    auto media = MediaLibrary::Open(databasePath_);
    ASSERT_NE(media, nullptr);
    const AddOutcome again = media->AddAndWait(clip);
    EXPECT_EQ(again.result, AddResult::kIgnored);
    EXPECT_EQ(again.reason, "already in the library");
    // Known by its location alone: the file is not probed again, or this would be no media.
    WriteFile(clip, "no longer a clip\n");
    EXPECT_EQ(media->AddAndWait(clip).reason, "already in the library");
}

TEST_F(MediaLibraryTest, LocationIsKeptExactlyAsGiven) {
    const std::string clip = MakeClip(folder_, "clip");
    // The same file by another spelling is another location: locations compare as stored.
    const std::string other = folder_.Root() + "/./clip.mp4";
    ASSERT_TRUE(AddAndWait(*movies_, clip));
    ASSERT_TRUE(AddAndWait(*movies_, other));

    auto tracks = movies_->Tracks();
    ASSERT_NE(tracks, nullptr);
    EXPECT_EQ(Locations(*tracks), (std::vector<std::string>{clip, other}));
}

TEST_F(MediaLibraryTest, PlaylistKeepsTheOrderOfAdding) {
    std::vector<std::string> clips;
    for (const char* name : {"c", "a", "b"}) {
        clips.push_back(MakeClip(folder_, name));
        ASSERT_TRUE(AddAndWait(*movies_, clips.back()));
    }
    auto tracks = movies_->Tracks();
    ASSERT_NE(tracks, nullptr);
    EXPECT_EQ(Locations(*tracks), clips);
    EXPECT_EQ(tracks->Next(), nullptr);  // stays at the end
}

TEST_F(MediaLibraryTest, AddingToLibraryLeavesMoviesAlone) {
    const std::string movie = MakeClip(folder_, "movie");
    const std::string other = MakeClip(folder_, "other");
    ASSERT_TRUE(AddAndWait(*movies_, movie));
    ASSERT_TRUE(AddAndWait(*library_, other));
    auto inMovies = movies_->Tracks();
    auto inLibrary = library_->Tracks();
    ASSERT_NE(inMovies, nullptr);
    ASSERT_NE(inLibrary, nullptr);
    EXPECT_EQ(Locations(*inMovies), std::vector<std::string>{movie});
    EXPECT_EQ(Locations(*inLibrary), (std::vector<std::string>{movie, other}));
}

TEST_F(MediaLibraryTest, PropertiesSurviveReopening) {
    const std::string clip = MakeClip(folder_, "01 Pilot", Container::kM4v);
    ASSERT_TRUE(AddAndWait(*movies_, clip));
    {
        auto track = FirstMovie();
        ASSERT_NE(track, nullptr);
        EXPECT_TRUE(track->SetShow("The Show"));
        EXPECT_TRUE(track->SetSeasonNumber(-2147483647 - 1));
        EXPECT_TRUE(track->SetEpisodeID("Pilot ü"));
        EXPECT_TRUE(track->SetEpisodeNumber(2147483647));
        EXPECT_TRUE(track->SetName("Pilot ü"));
        EXPECT_TRUE(track->SetSortName("001"));
        EXPECT_TRUE(track->SetVideoKind(3));
    }
    application_.reset();
    movies_.reset();
    library_.reset();

    application_ = OpenLibrary(databasePath_);
    ASSERT_NE(application_, nullptr);
    const auto tracks = Tracks("movies");
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].location, clip);
    EXPECT_EQ(tracks[0].show, "The Show");
    EXPECT_EQ(tracks[0].season_number, -2147483647 - 1);
    EXPECT_EQ(tracks[0].episode_id, "Pilot ü");
    EXPECT_EQ(tracks[0].episode_number, 2147483647);
    EXPECT_EQ(tracks[0].name, "Pilot ü");
    EXPECT_EQ(tracks[0].sort_name, "001");
    EXPECT_EQ(tracks[0].video_kind, 3);
}

TEST_F(MediaLibraryTest, EmptyTextsAreStoredAsEmpty) {
    ASSERT_TRUE(AddAndWait(*movies_, MakeClip(folder_, "clip")));
    auto track = FirstMovie();
    ASSERT_NE(track, nullptr);
    EXPECT_TRUE(track->SetShow(std::string_view()));
    EXPECT_TRUE(track->SetName(""));
    const auto stored = Tracks("Movies");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].show, "");
    EXPECT_EQ(stored[0].name, "");
}

// Runs sql on a connection of its own, as another process would.
void ExecuteElsewhere(const std::string& databasePath, const char* sql) {
    common::sqlite::Database db;
    ASSERT_EQ(common::sqlite::Open(databasePath, SQLITE_OPEN_READWRITE, {}, db), SQLITE_OK);
    EXPECT_EQ(common::sqlite::Execute(db.get(), sql), SQLITE_OK) << sql;
}

TEST_F(MediaLibraryTest, ATrackRemovedMeanwhileKeepsItsLocationButFailsItsWrites) {
    const std::string clip = MakeClip(folder_, "clip");
    ASSERT_TRUE(AddAndWait(*movies_, clip));
    auto tracks = movies_->Tracks();
    ASSERT_NE(tracks, nullptr);
    auto track = tracks->Next();
    ASSERT_NE(track, nullptr);

    ExecuteElsewhere(databasePath_, "PRAGMA foreign_keys = ON; DELETE FROM tracks");

    // The location is the one the track was added with; the track itself is gone.
    EXPECT_EQ(track->Location(), clip);
    EXPECT_FALSE(track->SetShow("x"));
    EXPECT_FALSE(track->SetSeasonNumber(1));
    EXPECT_FALSE(track->SetVideoKind(3));
    EXPECT_TRUE(Tracks("Library").empty());
    // A collection taken now no longer has it.
    EXPECT_TRUE(Listed(*movies_).empty());
}

TEST_F(MediaLibraryTest, ACollectionKeepsTheTracksItWasTakenWith) {
    const std::string first = MakeClip(folder_, "first");
    const std::string second = MakeClip(folder_, "second");
    const std::string third = MakeClip(folder_, "third");
    ASSERT_TRUE(AddAndWait(*movies_, first));
    ASSERT_NE(library_->Tracks(), nullptr);  // "Library" has been listed before the adds too
    auto before = movies_->Tracks();
    ASSERT_NE(before, nullptr);
    auto held = before->Next();
    ASSERT_NE(held, nullptr);

    ASSERT_TRUE(AddAndWait(*movies_, second));
    auto between = movies_->Tracks();
    ASSERT_NE(between, nullptr);
    ASSERT_TRUE(AddAndWait(*movies_, third));

    // Taken before the add: the new track does not come out.
    EXPECT_EQ(before->Next(), nullptr);
    EXPECT_EQ(held->Location(), first);
    EXPECT_EQ(Locations(*between), (std::vector<std::string>{first, second}));
    EXPECT_EQ(Listed(*movies_), (std::vector<std::string>{first, second, third}));
    EXPECT_EQ(Listed(*library_), (std::vector<std::string>{first, second, third}));
}

std::string ExactKey(std::string_view location) {
    return std::string(location);
}

std::string UpperKey(std::string_view location) {
    std::string key(location);
    for (char& c : key) {
        c = common::AsciiUpper(c);
    }
    return key;
}

// The location of the first track of a walk through playlist whose key is key.
std::optional<std::string> Walked(Playlist& playlist, const std::string& key, LocationKeyOf keyOf) {
    auto tracks = playlist.Tracks();
    for (auto track = tracks ? tracks->Next() : nullptr; track; track = tracks->Next()) {
        if (keyOf(track->Location().value_or("")) == key) {
            return track->Location();
        }
    }
    return std::nullopt;
}

std::optional<std::string> Indexed(Playlist& playlist, const std::string& key,
                                   LocationKeyOf keyOf) {
    auto index = playlist.TracksByLocation();
    auto track = index ? index->FirstWithLocationKey(key, keyOf) : nullptr;
    return track ? track->Location() : std::nullopt;
}

TEST_F(MediaLibraryTest, TheIndexFindsWhatAWalkFinds) {
    const std::vector<std::string> clips = {MakeClip(folder_, "clip"), MakeClip(folder_, "CLIP"),
                                            MakeClip(folder_, "other")};
    const auto expectSameAsWalk = [&](const char* when, LocationKeyOf keyOf) {
        for (const std::string& location : {clips[0], clips[1], clips[2], clips[0] + "x"}) {
            const std::string key = keyOf(location);
            EXPECT_EQ(Indexed(*movies_, key, keyOf), Walked(*movies_, key, keyOf))
                << when << ": " << location;
        }
    };
    ASSERT_TRUE(AddAndWait(*movies_, clips[0]));
    expectSameAsWalk("one track", &UpperKey);
    // Held while the others are added, so the list is appended to as a copy.
    auto held = movies_->Tracks();
    ASSERT_TRUE(AddAndWait(*movies_, clips[1]));
    ASSERT_TRUE(AddAndWait(*movies_, clips[2]));
    expectSameAsWalk("appended", &UpperKey);
    ExecuteElsewhere(databasePath_, "UPDATE playlist_tracks SET position = -position");
    expectSameAsWalk("reordered elsewhere", &UpperKey);
    EXPECT_EQ(Indexed(*movies_, UpperKey(clips[0]), &UpperKey), clips[1]);
    expectSameAsWalk("by another rule", &ExactKey);

    auto track = movies_->TracksByLocation()->FirstWithLocationKey(clips[2], &ExactKey);
    ASSERT_NE(track, nullptr);
    EXPECT_TRUE(track->SetShow("Found"));
    EXPECT_EQ(Tracks("Movies")[0].show, "Found");
}

TEST_F(MediaLibraryTest, TracksSeeWhatAnotherConnectionChanged) {
    const std::string mine = MakeClip(folder_, "mine");
    const std::string theirs = MakeClip(folder_, "theirs");
    ASSERT_TRUE(AddAndWait(*movies_, mine));
    ASSERT_NE(FirstMovie(), nullptr);  // this library has now listed "Movies" once

    auto other = OpenLibrary(databasePath_);
    ASSERT_NE(other, nullptr);
    auto otherMovies = PlaylistNamed(*other, "Movies");
    ASSERT_NE(otherMovies, nullptr);
    ASSERT_TRUE(AddAndWait(*otherMovies, theirs));

    EXPECT_EQ(Listed(*movies_), (std::vector<std::string>{mine, theirs}));
    auto track = FirstMovie();
    ASSERT_NE(track, nullptr);
    EXPECT_TRUE(track->SetName("Mine"));

    // Another connection's reordering, and its removal (no library object removes tracks).
    ExecuteElsewhere(databasePath_, "UPDATE playlist_tracks SET position = -position");
    EXPECT_EQ(Listed(*movies_), (std::vector<std::string>{theirs, mine}));
    ExecuteElsewhere(databasePath_,
                     "PRAGMA foreign_keys = ON; DELETE FROM tracks WHERE name = 'Mine'");
    EXPECT_EQ(Listed(*movies_), std::vector<std::string>{theirs});
    // This library's own add after that lands at the end of its list, as in the database.
    const std::string later = MakeClip(folder_, "later");
    ASSERT_TRUE(AddAndWait(*movies_, later));
    EXPECT_EQ(Listed(*movies_), (std::vector<std::string>{theirs, later}));
}

TEST_F(MediaLibraryTest, KeepsWorkingAfterAnotherConnectionChangesTheSchema) {
    const std::string clip = MakeClip(folder_, "clip");
    ASSERT_TRUE(AddAndWait(*movies_, clip));
    ASSERT_NE(FirstMovie(), nullptr);
    // A newer version of the library, opened meanwhile, might add columns and indexes; the
    // statements prepared when this library opened must follow.
    auto newer = OpenLibrary(databasePath_);
    ASSERT_NE(newer, nullptr);
    ExecuteElsewhere(databasePath_,
                     "ALTER TABLE tracks ADD COLUMN rating INTEGER NOT NULL DEFAULT 0; "
                     "CREATE INDEX tracks_by_show ON tracks(show); "
                     "CREATE TABLE artwork(track_id INTEGER, data BLOB)");

    const std::string other = MakeClip(folder_, "other");
    ASSERT_TRUE(AddAndWait(*movies_, other));
    EXPECT_EQ(Listed(*movies_), (std::vector<std::string>{clip, other}));
    auto track = FirstMovie();
    ASSERT_NE(track, nullptr);
    EXPECT_TRUE(track->SetShow("The Show"));
    EXPECT_TRUE(track->SetEpisodeNumber(4));
    const auto stored = Tracks("Movies");
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].show, "The Show");
    EXPECT_EQ(stored[0].episode_number, 4);
    auto again = MediaLibrary::Open(databasePath_);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->AddAndWait(other).reason, "already in the library");
}

TEST_F(MediaLibraryTest, NamesMatchWithoutRegardToCase) {
    auto sources = application_->Sources();
    ASSERT_NE(sources, nullptr);
    EXPECT_NE(sources->ItemByName("LIBRARY"), nullptr);
    EXPECT_EQ(sources->ItemByName("Radio"), nullptr);
    auto playlists = sources->ItemByName("library")->Playlists();
    ASSERT_NE(playlists, nullptr);
    EXPECT_NE(playlists->ItemByName("mOVIES"), nullptr);
    EXPECT_EQ(playlists->ItemByName("Movie"), nullptr);
    EXPECT_EQ(playlists->ItemByName(""), nullptr);

    auto media = MediaLibrary::Open(databasePath_);
    ASSERT_NE(media, nullptr);
    EXPECT_FALSE(media->ListTracks("TV Shows").has_value());
    EXPECT_EQ(media->AddAndWait(MakeClip(folder_, "clip"), "TV Shows").result, AddResult::kFailed);
}

TEST_F(MediaLibraryTest, ChildrenOutliveTheApplication) {
    const std::string clip = MakeClip(folder_, "clip");
    application_.reset();
    library_.reset();
    ASSERT_TRUE(AddAndWait(*movies_, clip));
    auto tracks = movies_->Tracks();
    ASSERT_NE(tracks, nullptr);
    EXPECT_EQ(Locations(*tracks), std::vector<std::string>{clip});
}

TEST_F(MediaLibraryTest, AddsAlreadyAskedForFinishWhenTheLibraryCloses) {
    std::vector<std::string> clips;
    for (const char* name : {"a", "b", "c"}) {
        clips.push_back(MakeClip(folder_, name));
        AddFileResult result = movies_->AddFile(clips.back());
        EXPECT_TRUE(result.called);
        EXPECT_NE(result.status, nullptr);
    }
    application_.reset();
    movies_.reset();
    library_.reset();  // the last reference: joins the worker

    std::vector<std::string> locations;
    for (const auto& track : Tracks("Movies")) {
        locations.push_back(track.location);
    }
    EXPECT_EQ(locations, clips);
}

TEST_F(MediaLibraryTest, TwoLibraryObjectsAddingAtOnceKeepOneTrackPerFile) {
    std::vector<std::string> clips;
    for (int i = 0; i < 8; ++i) {
        clips.push_back(MakeClip(folder_, "clip" + std::to_string(i)));
    }
    auto other = OpenLibrary(databasePath_);
    ASSERT_NE(other, nullptr);
    auto otherMovies = PlaylistNamed(*other, "Movies");
    ASSERT_NE(otherMovies, nullptr);
    std::vector<Ref<OperationStatus>> statuses;
    for (const auto& clip : clips) {
        for (Playlist* playlist : {movies_.get(), otherMovies.get()}) {
            AddFileResult result = playlist->AddFile(clip);
            ASSERT_TRUE(result.called);
            ASSERT_NE(result.status, nullptr);
            statuses.push_back(result.status);
        }
    }
    for (const auto& status : statuses) {
        EXPECT_TRUE(test::WaitUntilDone(*status));
    }
    std::vector<std::string> locations;
    for (const auto& track : Tracks("Movies")) {
        locations.push_back(track.location);
    }
    std::sort(locations.begin(), locations.end());
    EXPECT_EQ(locations, clips);
    EXPECT_EQ(Tracks("Library").size(), clips.size());
}

TEST(InstalledLibraryTest, IsThereOnlyOnceItsDatabaseExists) {
    TempFolder prefix;
    ASSERT_TRUE(prefix.Ok());
    ScopedVariable variable("VEXO_PREFIX", prefix.Root());

    EXPECT_EQ(OpenInstalledLibrary(), nullptr);
    EXPECT_EQ(CreateObject(kApplicationId), nullptr);
    EXPECT_FALSE(std::filesystem::exists(common::MediaLibraryPath()));

    ASSERT_NE(MediaLibrary::Open(common::MediaLibraryPath()), nullptr);
    auto application = CreateObject("iTunes.Application");
    ASSERT_NE(application, nullptr);
    EXPECT_NE(PlaylistNamed(*application, "Movies"), nullptr);
    EXPECT_EQ(CreateObject("QuickTime.Application"), nullptr);
    application.reset();

    EXPECT_TRUE(RemoveLibraryDatabase(common::MediaLibraryPath()));
    EXPECT_FALSE(std::filesystem::exists(common::MediaLibraryPath()));
    EXPECT_EQ(OpenInstalledLibrary(), nullptr);
}

TEST(InstalledLibraryTest, AFileThatIsNoDatabaseIsNotALibrary) {
    TempFolder folder;
    const std::string path = folder / "iTunes Library.db";
    WriteFile(path, "not a database, but long enough to have a header of some kind....");
    EXPECT_EQ(MediaLibrary::OpenExisting(path), nullptr);
    EXPECT_EQ(OpenLibrary(path), nullptr);
    EXPECT_EQ(MediaLibrary::OpenExisting(folder / "absent.db"), nullptr);
}

}  // namespace
}  // namespace itunes::library::test
