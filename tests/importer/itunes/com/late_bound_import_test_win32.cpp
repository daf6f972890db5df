// A whole import through the late binding: the folder walk over a real tree, the adds, the
// waits, the searches and the labels, all by member names on the test server.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "importer/episode_import.h"
#include "tests/importer/itunes/com/late_binding_fixture_win32.h"
#include "tests/support/files.h"
#include "tests/support/recording_import_view.h"
#include "tests/support/temp_folder.h"

namespace fake_itunes {
namespace {

using RecordingView = vexo::test_support::RecordingImportView<>;

class LateBoundImportTest : public LateBindingTest {
  protected:
    void File(const std::string& relative) {
        vexo::test_support::WriteFile(folder_.path() / relative, "x");
    }
    std::wstring Path(const std::string& relative) const {
        return Wide(folder_.Root()) + L"\\" +
               std::filesystem::path(relative).make_preferred().wstring();
    }

    // Imports the tree through a fresh application object, as the import command does.
    int Import(RecordingView& view) {
        importer::ImportState state;
        state.ImportStopped = false;
        state.MoviesPlaylist = Movies();
        if (!state.MoviesPlaylist) {
            return -1;
        }
        importer::EpisodeImport(state, view).ImportShows(folder_.Root());
        return state.FilesAdded;
    }

    // Every property of the "Movies" tracks, by location: "type:text" per property.
    std::map<std::wstring, std::wstring> Labels() const {
        std::map<std::wstring, std::wstring> labels;
        for (int index = 0; index < FakeITunesTrackCount(L"Movies"); ++index) {
            std::wstring label;
            for (const wchar_t* property : {L"Show", L"SeasonNumber", L"EpisodeID",
                                            L"EpisodeNumber", L"Name", L"SortName", L"VideoKind"}) {
                const auto [type, text] = MoviesTrackProperty(index, property);
                label += std::to_wstring(type) + L":" + text + L"|";
            }
            labels[MoviesTrackProperty(index, L"Location").second] = label;
        }
        return labels;
    }

    vexo::test_support::TempFolder folder_{"vexo-com-import"};
};

// VARTYPEs: 8 text (VT_BSTR), 3 32-bit (VT_I4), 2 16-bit (VT_I2).
TEST_F(LateBoundImportTest, LabelsEveryEpisodeByMemberNames) {
    ASSERT_TRUE(folder_.Ok());
    File("The Show/Season 1/01 Pilot.m4v");
    File("The Show/Season 1/02   Second Part .MP4");
    File("The Show/Season 1/notes.txt");
    File("The Show/Season 12/110 Return.mov");
    File("Other/3/7 Seven.m4v");
    FakeITunesAddTrack(L"Movies", L"C:\\Elsewhere\\01 Pilot.m4v");
    FakeITunesSetBusyReads(3);

    RecordingView view;
    EXPECT_EQ(Import(view), 4);
    ASSERT_EQ(view.MessageTexts(), std::vector<std::string>{"4 files added."});
    EXPECT_GE(view.yields, 4 * 3);

    const std::map<std::wstring, std::wstring> expected = {
        {L"C:\\Elsewhere\\01 Pilot.m4v", L"0:|0:|0:|0:|0:|0:|0:|"},
        {Path("The Show/Season 1/01 Pilot.m4v"), L"8:The Show|3:1|8:Pilot|3:1|8:Pilot|8:001|2:3|"},
        {Path("The Show/Season 1/02   Second Part .MP4"),
         L"8:The Show|3:1|8:Second Part|3:2|8:Second Part|8:002|2:3|"},
        {Path("The Show/Season 12/110 Return.mov"),
         L"8:The Show|3:12|8:Return|3:110|8:Return|8:110|2:3|"},
        {Path("Other/3/7 Seven.m4v"), L"8:Other|3:3|8:Seven|3:7|8:Seven|8:007|2:3|"},
    };
    EXPECT_EQ(Labels(), expected);

    // The same tree again: the library ignores the files it has, the tracks are found and
    // labelled again.
    RecordingView again;
    EXPECT_EQ(Import(again), 4);
    EXPECT_EQ(FakeITunesTrackCount(L"Movies"), 5);
    EXPECT_EQ(Labels(), expected);
}

TEST_F(LateBoundImportTest, AnAddWithoutStatusOrAWriteThatFailsDecidesTheCount) {
    ASSERT_TRUE(folder_.Ok());
    File("Show/1/01 Pilot.m4v");
    FakeITunesSetAddGivesStatus(0);
    RecordingView view;
    EXPECT_EQ(Import(view), 0);
    EXPECT_EQ(FakeITunesTrackCount(L"Movies"), 0);

    // The add went through; a write the server rejects leaves the others in place.
    FakeITunesReset();
    FakeITunesBreakMember(L"EpisodeID", kFakeITunesCallFails);
    FakeITunesBreakMember(L"SortName", kFakeITunesUnknownName);
    EXPECT_EQ(Import(view), 1);
    EXPECT_EQ(Labels().at(Path("Show/1/01 Pilot.m4v")), L"8:Show|3:1|0:|3:1|8:Pilot|0:|2:3|");
}

}  // namespace
}  // namespace fake_itunes
