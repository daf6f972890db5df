// Every member of the automation interface through the late binding, against the test server.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>

#include "tests/importer/itunes/com/late_binding_fixture_win32.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace fake_itunes {
namespace {

using itunes::Ref;

TEST_F(LateBindingTest, ReachesTheMoviesPlaylistByNames) {
    ASSERT_NE(Movies(), nullptr);
    for (const wchar_t* member : {L"Sources", L"ItemByName", L"Playlists"}) {
        EXPECT_GE(FakeITunesCalls(member), 1) << member;
    }
}

TEST_F(LateBindingTest, WhatIsNotThereIsNull) {
    EXPECT_EQ(itunes::CreateObject("VEXO.NoSuchApplication"), nullptr);

    application_ = itunes::CreateObject(itunes::kApplicationId);
    ASSERT_NE(application_, nullptr);
    const auto sources = application_->Sources();
    ASSERT_NE(sources, nullptr);
    EXPECT_EQ(sources->ItemByName("Radio"), nullptr);  // the server answers Nothing
    const auto playlists = sources->ItemByName("Library")->Playlists();
    ASSERT_NE(playlists, nullptr);
    EXPECT_EQ(playlists->ItemByName("Podcasts"), nullptr);
    EXPECT_EQ(playlists->ItemByName(""), nullptr);
}

TEST_F(LateBindingTest, CreationNeedsAnApartmentOnTheCallingThread) {
    bool createdWithoutCom = true;
    bool apartmentInMultithreaded = true;
    std::thread([&] {
        createdWithoutCom = itunes::CreateObject(itunes::kApplicationId) != nullptr;
        // A thread that joined the multithreaded apartment cannot become single-threaded.
        if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
            apartmentInMultithreaded = common::win32::ComApartment().Ok();
            CoUninitialize();
        }
    }).join();
    EXPECT_FALSE(createdWithoutCom);
    EXPECT_FALSE(apartmentInMultithreaded);

    // A second apartment object on the same thread only adds a reference.
    common::win32::ComApartment again;
    EXPECT_TRUE(again.Ok());
}

TEST_F(LateBindingTest, PropertyWritesArriveWithTheirTypes) {
    FakeITunesAddTrack(L"Movies", L"C:\\TV\\Show\\1\\01 Pilot.m4v");
    ASSERT_NE(Movies(), nullptr);
    const auto tracks = movies_->Tracks();
    ASSERT_NE(tracks, nullptr);
    const Ref<itunes::Track> track = tracks->Next();
    ASSERT_NE(track, nullptr);

    EXPECT_EQ(track->Location(), "C:\\TV\\Show\\1\\01 Pilot.m4v");
    EXPECT_TRUE(track->SetShow("The Show"));
    EXPECT_TRUE(track->SetSeasonNumber(2147483647));
    EXPECT_TRUE(track->SetEpisodeID("Pilot"));
    EXPECT_TRUE(track->SetEpisodeNumber(-2147483647 - 1));
    EXPECT_TRUE(track->SetName(""));
    EXPECT_TRUE(track->SetSortName("007"));
    EXPECT_TRUE(track->SetVideoKind(3));

    const struct {
        const wchar_t* property;
        int type;
        const wchar_t* text;
    } expected[] = {
        {L"Show", VT_BSTR, L"The Show"},   {L"SeasonNumber", VT_I4, L"2147483647"},
        {L"EpisodeID", VT_BSTR, L"Pilot"}, {L"EpisodeNumber", VT_I4, L"-2147483648"},
        {L"Name", VT_BSTR, L""},           {L"SortName", VT_BSTR, L"007"},
        {L"VideoKind", VT_I2, L"3"},
    };
    for (const auto& row : expected) {
        EXPECT_EQ(MoviesTrackProperty(0, row.property),
                  std::make_pair(row.type, std::wstring(row.text)))
            << row.property;
    }
}

TEST_F(LateBindingTest, TextsCrossInTheSystemCodePage) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the texts below are written in code page 1252";
    }
    FakeITunesAddTrack(L"Movies", L"C:\\TV\\Caf\u00e9\\01 \u00c9t\u00e9.m4v");
    FakeITunesAddTrack(L"Movies", L"C:\\TV\\\u4e2d\\01 Pilot.m4v");
    ASSERT_NE(Movies(), nullptr);
    const auto tracks = movies_->Tracks();
    const Ref<itunes::Track> accented = tracks->Next();
    const Ref<itunes::Track> chinese = tracks->Next();
    ASSERT_NE(chinese, nullptr);

    EXPECT_EQ(accented->Location(), "C:\\TV\\Caf\xe9\\01 \xc9t\xe9.m4v");
    EXPECT_TRUE(accented->SetShow("Caf\xe9"));
    EXPECT_EQ(MoviesTrackProperty(0, L"Show").second, L"Caf\u00e9");
    // A character the code page lacks becomes one no path can hold.
    EXPECT_EQ(chinese->Location(), "C:\\TV\\?\\01 Pilot.m4v");
}

TEST_F(LateBindingTest, TracksComeOneByOneInPlaylistOrder) {
    ASSERT_NE(Movies(), nullptr);
    const auto empty = movies_->Tracks();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->Next(), nullptr);

    for (const wchar_t* location : {L"C:\\a.m4v", L"C:\\b.m4v", L"C:\\c.m4v"}) {
        FakeITunesAddTrack(L"Movies", location);
    }
    const auto tracks = movies_->Tracks();
    ASSERT_NE(tracks, nullptr);
    std::string order;
    for (Ref<itunes::Track> track = tracks->Next(); track; track = tracks->Next()) {
        order += track->Location().value_or("-") + ";";
    }
    EXPECT_EQ(order, "C:\\a.m4v;C:\\b.m4v;C:\\c.m4v;");
    EXPECT_EQ(tracks->Next(), nullptr);  // and stays at its end
}

TEST_F(LateBindingTest, AddFileCompletesAfterTheBusyReads) {
    const vexo::test_support::TempFolder folder("vexo-com");
    const std::string path = folder.Root() + "\\01 Pilot.m4v";
    vexo::test_support::WriteFile(path, "x");
    FakeITunesSetBusyReads(3);
    ASSERT_NE(Movies(), nullptr);

    const itunes::AddFileResult added = movies_->AddFile(path);
    ASSERT_TRUE(added.called);
    ASSERT_NE(added.status, nullptr);
    for (int read = 0; read < 3; ++read) {
        EXPECT_EQ(added.status->InProgress(), true);
    }
    EXPECT_EQ(FakeITunesTrackCount(L"Movies"), 0);
    EXPECT_EQ(added.status->InProgress(), false);
    EXPECT_EQ(MoviesTrackProperty(0, L"Location").second, Wide(path));

    // A file already there, and one that does not exist, complete without a new track.
    FakeITunesSetBusyReads(0);
    for (const std::string& again : {path, folder.Root() + "\\02 Missing.m4v"}) {
        const itunes::AddFileResult ignored = movies_->AddFile(again);
        ASSERT_NE(ignored.status, nullptr);
        EXPECT_EQ(ignored.status->InProgress(), false);
    }
    EXPECT_EQ(FakeITunesTrackCount(L"Movies"), 1);

    FakeITunesSetAddGivesStatus(0);
    const itunes::AddFileResult withoutStatus = movies_->AddFile(path);
    EXPECT_TRUE(withoutStatus.called);
    EXPECT_EQ(withoutStatus.status, nullptr);
}

TEST_F(LateBindingTest, NamesAreLookedUpOncePerKindOfObject) {
    for (const wchar_t* location : {L"C:\\a.m4v", L"C:\\b.m4v", L"C:\\c.m4v"}) {
        FakeITunesAddTrack(L"Movies", location);
    }
    ASSERT_NE(Movies(), nullptr);
    const auto readAll = [](itunes::Playlist& playlist) {
        const auto tracks = playlist.Tracks();
        for (Ref<itunes::Track> track = tracks->Next(); track; track = tracks->Next()) {
            EXPECT_TRUE(track->Location().has_value());
        }
    };
    readAll(*movies_);
    readAll(*movies_);
    EXPECT_EQ(FakeITunesCalls(L"Location"), 6);
    EXPECT_EQ(FakeITunesLookups(L"Location"), 1);
    EXPECT_EQ(FakeITunesLookups(L"Tracks"), 1);
    // ItemByName of the sources and of the playlists are different kinds of object.
    EXPECT_EQ(FakeITunesLookups(L"ItemByName"), 2);

    // Another application object asks afresh.
    movies_ = nullptr;
    ASSERT_NE(Movies(), nullptr);
    readAll(*movies_);
    EXPECT_EQ(FakeITunesLookups(L"Location"), 2);
}

// The objects of a whole chain, taken before a member is broken.
struct Chain {
    Ref<itunes::Application> application;
    Ref<itunes::SourceCollection> sources;
    Ref<itunes::Source> library;
    Ref<itunes::PlaylistCollection> playlists;
    Ref<itunes::Playlist> movies;
    Ref<itunes::OperationStatus> status;
    Ref<itunes::Track> track;
};

struct MemberCall {
    const wchar_t* member;
    std::function<bool(Chain&)> call;
    // Another member of the same object, which keeps working.
    std::function<bool(Chain&)> sibling;
};

const MemberCall kMemberCalls[] = {
    {L"Sources", [](Chain& c) { return c.application->Sources() != nullptr; },
     [](Chain& c) { return c.sources->ItemByName("Library") != nullptr; }},
    {L"ItemByName", [](Chain& c) { return c.sources->ItemByName("Library") != nullptr; },
     [](Chain& c) { return c.library->Playlists() != nullptr; }},
    {L"Playlists", [](Chain& c) { return c.library->Playlists() != nullptr; },
     [](Chain& c) { return c.application->Sources() != nullptr; }},
    {L"AddFile", [](Chain& c) { return c.movies->AddFile("C:\\none.m4v").called; },
     [](Chain& c) { return c.movies->Tracks() != nullptr; }},
    {L"InProgress", [](Chain& c) { return c.status->InProgress().has_value(); },
     [](Chain& c) { return c.movies->AddFile("C:\\none.m4v").called; }},
    {L"Tracks", [](Chain& c) { return c.movies->Tracks() != nullptr; },
     [](Chain& c) { return c.movies->AddFile("C:\\none.m4v").called; }},
    {L"_NewEnum", [](Chain& c) { return c.movies->Tracks() != nullptr; },
     [](Chain& c) { return c.movies->AddFile("C:\\none.m4v").called; }},
    {L"Location", [](Chain& c) { return c.track->Location().has_value(); },
     [](Chain& c) { return c.track->SetShow("Show"); }},
    {L"Show", [](Chain& c) { return c.track->SetShow("Show"); },
     [](Chain& c) { return c.track->SetSeasonNumber(1); }},
    {L"SeasonNumber", [](Chain& c) { return c.track->SetSeasonNumber(1); },
     [](Chain& c) { return c.track->SetEpisodeID("Pilot"); }},
    {L"EpisodeID", [](Chain& c) { return c.track->SetEpisodeID("Pilot"); },
     [](Chain& c) { return c.track->SetEpisodeNumber(1); }},
    {L"EpisodeNumber", [](Chain& c) { return c.track->SetEpisodeNumber(1); },
     [](Chain& c) { return c.track->SetName("Pilot"); }},
    {L"Name", [](Chain& c) { return c.track->SetName("Pilot"); },
     [](Chain& c) { return c.track->SetSortName("001"); }},
    {L"SortName", [](Chain& c) { return c.track->SetSortName("001"); },
     [](Chain& c) { return c.track->SetVideoKind(3); }},
    {L"VideoKind", [](Chain& c) { return c.track->SetVideoKind(3); },
     [](Chain& c) { return c.track->SetShow("Show"); }},
};

void PrintTo(const MemberCall& call, std::ostream* out) {
    for (const wchar_t* c = call.member; *c != L'\0'; ++c) {
        *out << static_cast<char>(*c);
    }
}

class BrokenMemberTest
    : public LateBindingTest,
      public ::testing::WithParamInterface<std::tuple<MemberCall, FakeITunesBreak>> {};

TEST_P(BrokenMemberTest, FailsAsAValueAndTheOthersGoOn) {
    const auto& [member, how] = GetParam();
    FakeITunesAddTrack(L"Movies", L"C:\\TV\\01 Pilot.m4v");
    FakeITunesSetBusyReads(1000);
    Chain chain;
    chain.application = itunes::CreateObject(itunes::kApplicationId);
    ASSERT_NE(chain.application, nullptr);
    chain.sources = chain.application->Sources();
    chain.library = chain.sources->ItemByName("Library");
    chain.playlists = chain.library->Playlists();
    chain.movies = chain.playlists->ItemByName("Movies");
    ASSERT_NE(chain.movies, nullptr);
    chain.status = chain.movies->AddFile("C:\\none.m4v").status;
    chain.track = chain.movies->Tracks()->Next();
    ASSERT_NE(chain.track, nullptr);
    ASSERT_NE(chain.status, nullptr);

    FakeITunesBreakMember(member.member, how);
    EXPECT_EQ(member.call(chain), how == kFakeITunesWorks);
    EXPECT_TRUE(member.sibling(chain));
}

std::string MemberCaseName(
    const ::testing::TestParamInfo<std::tuple<MemberCall, FakeITunesBreak>>& info) {
    std::string name;
    for (const wchar_t* c = std::get<0>(info.param).member; *c != L'\0'; ++c) {
        if (*c != L'_') {
            name += static_cast<char>(*c);
        }
    }
    const char* const hows[] = {"Works", "UnknownName", "CallFails"};
    return name + "_" + hows[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Members, BrokenMemberTest,
                         ::testing::Combine(::testing::ValuesIn(kMemberCalls),
                                            ::testing::Values(kFakeITunesWorks,
                                                              kFakeITunesUnknownName,
                                                              kFakeITunesCallFails)),
                         MemberCaseName);

}  // namespace
}  // namespace fake_itunes
