#include "importer/forms/frmMain.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/environment.h"
#include "importer/files/version_api.h"
#include "importer/itunes/library/pe_image.h"
#include "importer/registry/store/store_registry_api.h"
#include "tests/importer/colliding_names.h"
#include "tests/importer/fake_library.h"
#include "tests/support/files.h"
#include "tests/support/recording_import_view.h"
#include "tests/support/temp_folder.h"

namespace forms::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using namespace importer::fakes;
using Message = vexo::test_support::ShownMessage;

std::string ControlName(MainControl control) {
    switch (control) {
        case MainControl::cmdImport:
            return "cmdImport";
        case MainControl::mnuFile:
            return "mnuFile";
        case MainControl::mnuHelp:
            return "mnuHelp";
    }
    return "?";
}

// A main window that records what the logic does to it, in order, and lets a test script the
// user: the folder chosen, the answer to each message box, what happens inside a yield.
class ScriptedWindow : public vexo::test_support::RecordingImportView<MainWindowView> {
  public:
    std::map<MainControl, bool> enabled{
        {MainControl::cmdImport, true}, {MainControl::mnuFile, true}, {MainControl::mnuHelp, true}};
    std::string versionLabel = "iTunes NOT DETECTED";
    std::string caption = "VEXO(tm) Plumex";
    std::string importCaption{kImportCaption};
    WindowMetrics metrics;
    bool ended = false;
    int unloads = 0;
    std::function<std::optional<std::string>()> pick = [] { return std::nullopt; };

    std::optional<std::string> PickFolder(basFiles::WindowHandle owner,
                                          std::string_view title) override {
        log.push_back("pick " + std::string(title) + (owner == Handle() ? "" : " (no owner)"));
        return pick();
    }
    void SetVersionLabel(std::string_view text) override { versionLabel = text; }
    void SetCaption(std::string_view text) override { caption = text; }
    void SetImportCaption(std::string_view text) override {
        importCaption = text;
        log.push_back("caption " + importCaption);
    }
    void SetEnabled(MainControl control, bool on) override {
        enabled[control] = on;
        log.push_back((on ? "enable " : "disable ") + ControlName(control));
    }
    WindowMetrics Metrics() override { return metrics; }
    void SetHeight(double height) override {
        metrics.height = height;
        log.push_back("height " + std::to_string(height));
    }
    void Move(double left, double top) override {
        log.push_back("move " + std::to_string(left) + " " + std::to_string(top));
    }
    basFiles::WindowHandle Handle() override { return 0x1234; }
    void OpenHelp() override { log.push_back("help"); }
    void OpenAbout() override { log.push_back("about"); }
    void Unload() override {
        ++unloads;
        log.push_back("unload");
    }
    void EndProgram() override {
        ended = true;
        log.push_back("end");
    }

    bool Idle() const {
        return importCaption == kImportCaption && enabled.at(MainControl::cmdImport) &&
               enabled.at(MainControl::mnuFile) && enabled.at(MainControl::mnuHelp);
    }
};

// A machine of the test's own: a Program Files folder, a registry store, an environment, and
// a media library application that is created afresh at every request.
class MachineFixture {
  public:
    MachineFixture() : api_(folder_ / "registry.db") {
        std::filesystem::create_directories(ProgramFiles());
        environment_["PROGRAMFILES"] = ProgramFiles();
    }

    std::string ProgramFiles() const { return folder_ / "Program Files"; }
    std::string Root() const { return folder_ / "TV"; }

    void UndefineProgramFiles() { environment_.erase("PROGRAMFILES"); }

    void SetProgramFolder(std::string_view folder) {
        registry::Hkey key = 0;
        ASSERT_EQ(
            api_.RegCreateKeyEx(registry::kHkeyLocalMachine,
                                "SOFTWARE\\Apple Computer, Inc.\\iTunes", registry::kKeyWrite, key),
            registry::kErrorSuccess);
        const std::string data = std::string(folder) + '\0';
        EXPECT_EQ(api_.RegSetValueEx(key, "ProgramFolder", registry::kRegSz,
                                     reinterpret_cast<const std::uint8_t*>(data.data()),
                                     static_cast<std::uint32_t>(data.size())),
                  registry::kErrorSuccess);
        api_.RegCloseKey(key);
    }

    // The library's program at relative (below Program Files) with the given FileVersion
    // text, or a file without any version resource.
    void WriteProgram(std::string_view relative, std::optional<std::string> fileVersion) {
        const std::filesystem::path path = std::filesystem::path(ProgramFiles()) / relative;
        if (!fileVersion) {
            vexo::test_support::WriteFile(path, "not a program");
            return;
        }
        itunes::library::VersionInfo info;
        info.stringTables.push_back({"040904B0", {{"FileVersion", *fileVersion}}});
        info.translations = std::vector<itunes::library::Translation>{{0x0409, 1200}};
        ASSERT_TRUE(
            vexo::test_support::WriteBytes(path, itunes::library::BuildVersionedImage(info)));
    }

    void InstallLibrary(std::string_view version = "7.1.0.59") {
        SetProgramFolder("iTunes");
        WriteProgram("iTunes/iTunes.EXE", std::string(version));
    }

    void File(const std::string& relative) {
        vexo::test_support::WriteFile(std::filesystem::path(Root()) / relative, "x");
    }

    StartupServices Services() {
        return {[this](std::string_view text, char* destination, std::uint32_t size) {
                    return Expand(text, destination, size);
                },
                &api_, &basFiles::SystemVersionInfoApi(),
                [this](std::string_view id) -> itunes::Ref<itunes::Application> {
                    ++creations;
                    if (!libraryRuns || id != "iTunes.Application") {
                        return nullptr;
                    }
                    auto application = std::make_shared<FakeApplication>();
                    playlist = std::make_shared<FakePlaylist>();
                    playlist->busyReads = busyReads;
                    if (hasMovies) {
                        application->playlists["Movies"] = playlist;
                    }
                    application->playlists["Music"] = std::make_shared<FakePlaylist>();
                    return application;
                }};
    }

    bool libraryRuns = true;
    bool hasMovies = true;
    int busyReads = 1;
    int creations = 0;
    std::shared_ptr<FakePlaylist> playlist;

  private:
    std::uint32_t Expand(std::string_view text, char* destination, std::uint32_t size) const {
        const std::string expanded =
            common::ExpandEnvironmentStrings(text, [this](std::string_view name) {
                const auto it = environment_.find(std::string(name));
                return it == environment_.end() ? std::nullopt
                                                : std::optional<std::string>(it->second);
            });
        const auto needed = static_cast<std::uint32_t>(expanded.size() + 1);
        if (destination != nullptr && size >= needed) {
            std::memcpy(destination, expanded.c_str(), needed);
        } else if (destination != nullptr && size > 0) {
            destination[0] = '\0';
        }
        return needed;
    }

    vexo::test_support::TempFolder folder_{"vexo-frmmain"};
    registry::StoreRegistryApi api_;
    std::map<std::string, std::string> environment_;
};

// ---- Start-up checks ----------------------------------------------------------------------

struct StartupCase {
    std::string name;
    std::function<void(MachineFixture&)> arrange;
    std::string message;  // empty when the start succeeds
    MessageIcon icon = MessageIcon::Error;
    std::string label;
};

class StartupTest : public ::testing::TestWithParam<StartupCase> {};

TEST_P(StartupTest, EndsWithTheFirstFailingCheckOrShowsTheVersion) {
    MachineFixture machine;
    GetParam().arrange(machine);
    ScriptedWindow window;
    frmMain form(window, machine.Services());

    form.Form_Load();

    EXPECT_TRUE(form.State().ImportStopped);
    if (GetParam().message.empty()) {
        EXPECT_THAT(window.messages, IsEmpty());
        EXPECT_FALSE(window.ended);
        EXPECT_EQ(window.versionLabel, GetParam().label);
        EXPECT_EQ(window.caption, "VEXO(tm) Plumex TV v1.0");
        ASSERT_FALSE(window.log.empty());
        EXPECT_EQ(window.log.back(), "help");
        return;
    }
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, GetParam().message);
    EXPECT_EQ(window.messages[0].caption, "VEXO(tm) Plumex TV");
    EXPECT_EQ(window.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(window.messages[0].icon, GetParam().icon);
    EXPECT_THAT(window.log, ElementsAre("message " + GetParam().message, "end"));
    EXPECT_EQ(window.versionLabel, "iTunes NOT DETECTED");
    EXPECT_EQ(window.caption, "VEXO(tm) Plumex");
}

const std::string kNoProgramFiles = "Program Files location not detected.";
const std::string kNotInRegistry = "iTunes not detected in registry. Please reinstall iTunes.";
const std::string kNotOnDisk = "iTunes not found on the hard drive. Please reinstall iTunes.";
const std::string kUnreadable = "iTunes version unreadable. Please reinstall iTunes.";
const std::string kTooOld = "iTunes v7.1 or better not detected. Please update iTunes.";

StartupCase Version(const std::string& text, const std::string& messageOrLabel) {
    const bool accepted = messageOrLabel.starts_with("iTunes v") &&
                          messageOrLabel.ends_with(" detected") && messageOrLabel != kTooOld;
    return {"Version_" + text, [text](MachineFixture& m) { m.InstallLibrary(text); },
            accepted ? "" : messageOrLabel, MessageIcon::Error, accepted ? messageOrLabel : ""};
}

INSTANTIATE_TEST_SUITE_P(
    Checks, StartupTest,
    ::testing::Values(
        StartupCase{"ProgramFilesUndefined",
                    [](MachineFixture& m) {
                        m.InstallLibrary();
                        m.UndefineProgramFiles();
                    },
                    kNoProgramFiles, MessageIcon::None, ""},
        StartupCase{"NoRegistryValue", [](MachineFixture&) {}, kNotInRegistry, MessageIcon::Error,
                    ""},
        StartupCase{"NoProgramFile", [](MachineFixture& m) { m.SetProgramFolder("iTunes"); },
                    kNotOnDisk, MessageIcon::Error, ""},
        StartupCase{"EmptyFolderValueGivesADoubledSeparator",
                    [](MachineFixture& m) {
                        m.SetProgramFolder("");
                        m.WriteProgram("iTunes/iTunes.EXE", "7.1");
                    },
                    kNotOnDisk, MessageIcon::Error, ""},
        StartupCase{"FullPathValueIsStillBelowProgramFiles",
                    [](MachineFixture& m) {
                        m.WriteProgram("iTunes/iTunes.EXE", "7.1");
                        m.SetProgramFolder(m.ProgramFiles() + "/iTunes");
                    },
                    kNotOnDisk, MessageIcon::Error, ""},
        StartupCase{"FolderValueWithItsOwnSeparator",
                    [](MachineFixture& m) {
                        m.SetProgramFolder("iTunes/");
                        m.WriteProgram("iTunes/iTunes.EXE", "7.1");
                    },
                    "", MessageIcon::None, "iTunes v7.1 detected"},
        StartupCase{"NoVersionResource",
                    [](MachineFixture& m) {
                        m.SetProgramFolder("iTunes");
                        m.WriteProgram("iTunes/iTunes.EXE", std::nullopt);
                    },
                    kUnreadable, MessageIcon::Error, ""},
        Version("7.0", kTooOld), Version("6.5", kTooOld), Version("7.1", "iTunes v7.1 detected"),
        Version("7.10", "iTunes v7.10 detected"), Version("8.0", "iTunes v8.0 detected"),
        Version("10.2", "iTunes v10.2 detected"), Version("7.3.2.6", "iTunes v7.3 detected"),
        Version("07.01", "iTunes v7.1 detected")),
    [](const auto& row) {
        std::string name = row.param.name;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

TEST(StartupGeometry, FitsTheHeightBelowTheButtonThenCentresInOneMove) {
    MachineFixture machine;
    machine.InstallLibrary();
    ScriptedWindow window;
    window.metrics = {.width = 5472,
                      .height = 4302,
                      .clientHeight = 3612,
                      .importTop = 2700,
                      .importHeight = 372,
                      .statusHeight = 432,
                      .twipsPerPixelY = 12,
                      .screenWidth = 19200,
                      .screenHeight = 10801};
    frmMain form(window, machine.Services());

    form.Form_Load();

    // (4302 - 3612) + 2700 + 372 + 10 * 12 + 432; the centre keeps its halves.
    EXPECT_THAT(window.log,
                ElementsAre("height 4314.000000", "move 6864.000000 3243.500000", "help"));
}

// ---- The import command ------------------------------------------------------------------

class ImportCommandTest : public ::testing::Test {
  protected:
    ImportCommandTest() {
        machine.InstallLibrary();
        form.Form_Load();
        window.log.clear();
        window.pick = [this] { return std::optional<std::string>(machine.Root()); };
    }

    // Twelve episodes of one season.
    void TwelveEpisodes() {
        for (int i = 1; i <= 12; ++i) {
            machine.File("Show/Season 1/" + std::to_string(i) + " Episode.mp4");
        }
    }

    std::vector<std::string> Messages() const { return window.MessageTexts(); }

    // Clicks the button once the playlist has been given `adds` files, inside a yield.
    void ClickDuringAdd(std::size_t adds, std::function<void()> click = {}) {
        window.onYield = [this, adds, click, done = false]() mutable {
            if (!done && machine.playlist->addedPaths.size() == adds) {
                done = true;
                click ? click() : form.cmdImport_Click();
            }
        };
    }

    MachineFixture machine;
    ScriptedWindow window;
    frmMain form{window, machine.Services()};
};

TEST_F(ImportCommandTest, ChooserCancelledReturnsToIdleWithEmptyFieldsAndNoMessage) {
    window.fields[DisplayField::Show] = "left over";
    window.pick = [this] {
        // Connecting and choosing: everything disabled, no import running yet.
        EXPECT_TRUE(form.State().ImportStopped);
        EXPECT_FALSE(window.enabled[MainControl::cmdImport]);
        EXPECT_FALSE(window.enabled[MainControl::mnuFile]);
        EXPECT_FALSE(window.enabled[MainControl::mnuHelp]);
        return std::optional<std::string>();
    };

    form.cmdImport_Click();

    EXPECT_THAT(window.messages, IsEmpty());
    EXPECT_THAT(window.log, ElementsAre("disable cmdImport", "disable mnuFile", "disable mnuHelp",
                                        "pick Select TV Show Folder...", "clear txtShow",
                                        "clear txtEpisodeID", "clear txtEpisodeNumber",
                                        "clear txtSeasonNumber", "caption &Import TV Shows...",
                                        "enable cmdImport", "enable mnuFile", "enable mnuHelp"));
    EXPECT_TRUE(window.Idle());
    EXPECT_TRUE(form.State().ImportStopped);
}

TEST_F(ImportCommandTest, ImportsTheChosenFolderWithTheButtonAsCancel) {
    TwelveEpisodes();
    window.onYield = [this, checked = false]() mutable {
        if (!checked) {
            checked = true;
            EXPECT_FALSE(form.State().ImportStopped);
            EXPECT_EQ(window.importCaption, "Cance&l");
            EXPECT_TRUE(window.enabled[MainControl::cmdImport]);
            EXPECT_FALSE(window.enabled[MainControl::mnuFile]);
            EXPECT_FALSE(window.enabled[MainControl::mnuHelp]);
        }
    };

    form.mnuImport_Click();

    EXPECT_EQ(form.State().FilesAdded, 12);
    EXPECT_THAT(Messages(), ElementsAre("12 files added."));
    EXPECT_EQ(machine.playlist->addedPaths.size(), 12u);
    EXPECT_TRUE(window.Idle());
    EXPECT_TRUE(form.State().ImportStopped);
    EXPECT_EQ(window.fields[DisplayField::Show], "");
}

TEST_F(ImportCommandTest, CancelConfirmedDuringTheTenthFileCountsTheNineBefore) {
    TwelveEpisodes();
    window.answer = [this](const Message& message) {
        if (message.buttons == MessageButtons::Ok) {
            return MessageAnswer::Ok;
        }
        EXPECT_EQ(message.text, "Are you sure you want to cancel?");
        EXPECT_EQ(message.caption, "VEXO(tm) Plumex TV");
        EXPECT_EQ(message.icon, MessageIcon::Question);
        EXPECT_FALSE(window.enabled[MainControl::cmdImport]);
        return MessageAnswer::Yes;
    };
    ClickDuringAdd(10, [this] {
        form.cmdImport_Click();
        // Stopping: the button stays disabled until the walk has unwound.
        EXPECT_TRUE(form.State().ImportStopped);
        EXPECT_FALSE(window.enabled[MainControl::cmdImport]);
        EXPECT_EQ(window.importCaption, "Cance&l");
    });

    form.cmdImport_Click();

    EXPECT_EQ(machine.playlist->addedPaths.size(), 10u);
    EXPECT_EQ(form.State().FilesAdded, 9);
    EXPECT_THAT(Messages(), ElementsAre("Are you sure you want to cancel?", "9 files added."));
    EXPECT_TRUE(window.Idle());
}

TEST_F(ImportCommandTest, NoContinuesWithTheSameFile) {
    TwelveEpisodes();
    ClickDuringAdd(10, [this] {
        form.cmdImport_Click();
        EXPECT_FALSE(form.State().ImportStopped);
        EXPECT_TRUE(window.enabled[MainControl::cmdImport]);
    });

    form.cmdImport_Click();

    EXPECT_EQ(machine.playlist->addedPaths.size(), 12u);
    EXPECT_EQ(form.State().FilesAdded, 12);
    EXPECT_THAT(Messages(), ElementsAre("Are you sure you want to cancel?", "12 files added."));
}

TEST_F(ImportCommandTest, AClickWhileConfirmingIsIgnored) {
    TwelveEpisodes();
    window.answer = [this](const Message& message) {
        if (message.buttons == MessageButtons::YesNo) {
            form.cmdImport_Click();  // the user clicks again behind the open question
            return MessageAnswer::Yes;
        }
        return MessageAnswer::Ok;
    };
    ClickDuringAdd(3);

    form.cmdImport_Click();

    EXPECT_THAT(Messages(), ElementsAre("Are you sure you want to cancel?", "2 files added."));
}

TEST_F(ImportCommandTest, ClosingTheWindowDuringAnImportStopsItThenCloses) {
    TwelveEpisodes();
    EXPECT_TRUE(form.Form_QueryUnload());  // idle: closes at once
    ClickDuringAdd(4, [this] { EXPECT_FALSE(form.Form_QueryUnload()); });

    form.cmdImport_Click();

    EXPECT_EQ(form.State().FilesAdded, 3);
    EXPECT_THAT(Messages(), ElementsAre("3 files added."));
    EXPECT_EQ(window.unloads, 1);
    ASSERT_FALSE(window.log.empty());
    EXPECT_EQ(window.log.back(), "unload");
}

TEST_F(ImportCommandTest, ClosingWhileTheQuestionIsOpenStopsWhateverTheAnswer) {
    TwelveEpisodes();
    window.answer = [this](const Message& message) {
        if (message.buttons == MessageButtons::YesNo) {
            EXPECT_FALSE(form.Form_QueryUnload());
            return MessageAnswer::No;
        }
        return MessageAnswer::Ok;
    };
    ClickDuringAdd(5);

    form.cmdImport_Click();

    EXPECT_EQ(form.State().FilesAdded, 4);
    EXPECT_EQ(window.unloads, 1);
}

TEST_F(ImportCommandTest, ClosingWhileTheChooserIsOpenImportsNothingThenCloses) {
    TwelveEpisodes();
    window.pick = [this] {
        EXPECT_FALSE(form.Form_QueryUnload());
        return std::optional<std::string>(machine.Root());
    };

    form.cmdImport_Click();

    EXPECT_TRUE(machine.playlist->addedPaths.empty());
    EXPECT_THAT(Messages(), IsEmpty());
    EXPECT_EQ(window.unloads, 1);
    EXPECT_TRUE(form.Form_QueryUnload());
}

TEST_F(ImportCommandTest, ASecondImportCreatesTheApplicationAgain) {
    TwelveEpisodes();
    form.cmdImport_Click();
    const auto first = machine.playlist;

    form.cmdImport_Click();

    EXPECT_EQ(machine.creations, 2);
    EXPECT_NE(machine.playlist, first);
    EXPECT_EQ(machine.playlist->addedPaths.size(), 12u);
    // Held only while an import runs, so that the library can finish its work (and the
    // application be quit) in between.
    EXPECT_EQ(form.State().MoviesPlaylist, nullptr);
    EXPECT_EQ(form.State().iTunesApp, nullptr);
    EXPECT_EQ(form.State().FilesAdded, 12);  // counted afresh, not 24
    EXPECT_THAT(Messages(), ElementsAre("12 files added.", "12 files added."));
}

TEST_F(ImportCommandTest, ReportsOnlyWhenTheRootHasSubfolders) {
    machine.File("loose 01 Pilot.mp4");  // a root without subfolders: no report at all
    form.cmdImport_Click();
    EXPECT_THAT(Messages(), IsEmpty());
    EXPECT_TRUE(window.Idle());

    machine.File("Show/Season 1/readme.txt");  // subfolders, nothing acceptable: 0
    form.cmdImport_Click();
    EXPECT_THAT(Messages(), ElementsAre("0 files added."));
}

class CollidingNamesTest : public ImportCommandTest,
                           public ::testing::WithParamInterface<importer::test::CollidingPair> {};

TEST_P(CollidingNamesTest, EveryFileIsATrackOfItsOwnWithItsOwnLabels) {
    const importer::test::CollidingPair& pair = GetParam();
    machine.File(pair.first.relative);
    machine.File(pair.second.relative);

    form.cmdImport_Click();

    EXPECT_EQ(form.State().FilesAdded, 2);
    EXPECT_THAT(Messages(), ElementsAre("2 files added."));
    const auto& tracks = machine.playlist->tracks;
    ASSERT_EQ(tracks.size(), 2u);
    for (const importer::test::EpisodeFile& file : {pair.first, pair.second}) {
        SCOPED_TRACE(file.relative);
        const std::string location = machine.Root() + "/" + file.relative;
        const auto track = std::find_if(tracks.begin(), tracks.end(),
                                        [&](const auto& t) { return t->location == location; });
        ASSERT_NE(track, tracks.end());
        EXPECT_EQ((*track)->show.value_or("?"), file.show);
        EXPECT_EQ((*track)->seasonNumber.value_or(-1), file.season);
        EXPECT_EQ((*track)->episodeNumber.value_or(-1), file.episode);
        EXPECT_EQ((*track)->episodeId.value_or("?"), file.title);
        EXPECT_EQ((*track)->name.value_or("?"), file.title);
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, CollidingNamesTest,
                         ::testing::ValuesIn(importer::test::kCollidingPairs),
                         [](const auto& row) { return row.param.name; });

TEST_F(ImportCommandTest, AFolderNameEndingInABlankIsImportedAsChosen) {
    machine.File("Beside/1/01 Wrong.mp4");  // in TV, the sibling without the blank
    const std::string chosen = machine.Root() + " ";
    vexo::test_support::WriteFile(chosen + "/Show/1/01 Right.mp4", "x");
    window.pick = [chosen] { return std::optional<std::string>(chosen); };

    form.cmdImport_Click();

    EXPECT_THAT(machine.playlist->addedPaths, ElementsAre(chosen + "/Show/1/01 Right.mp4"));
    EXPECT_THAT(Messages(), ElementsAre("1 files added."));
}

struct LibraryFailure {
    std::string name;
    bool libraryRuns;
    bool hasMovies;
};

class UnreachableLibraryTest : public ImportCommandTest,
                               public ::testing::WithParamInterface<LibraryFailure> {};

TEST_P(UnreachableLibraryTest, EndsTheProgramBeforeTheChooser) {
    machine.libraryRuns = GetParam().libraryRuns;
    machine.hasMovies = GetParam().hasMovies;

    form.cmdImport_Click();

    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text,
              "Unable to communicate with iTunes. Please reinstall iTunes.");
    EXPECT_EQ(window.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(window.messages[0].caption, "VEXO(tm) Plumex TV");
    EXPECT_TRUE(window.ended);
    EXPECT_THAT(window.log, Not(Contains("pick Select TV Show Folder...")));
    ASSERT_FALSE(window.log.empty());
    EXPECT_EQ(window.log.back(), "end");
}

INSTANTIATE_TEST_SUITE_P(Failures, UnreachableLibraryTest,
                         ::testing::Values(LibraryFailure{"NoApplication", false, true},
                                           LibraryFailure{"NoMoviesPlaylist", true, false}),
                         [](const auto& row) { return row.param.name; });

TEST_F(ImportCommandTest, AFileSystemRootIsAFolderNotACancel) {
    window.pick = [] { return std::optional<std::string>("/"); };
    // Stop at the first yield: only the start of the walk matters here.
    window.onYield = [this] { form.Form_QueryUnload(); };

    form.cmdImport_Click();

    EXPECT_THAT(window.log, Contains("caption Cance&l"));
}

TEST_F(ImportCommandTest, MenusOpenTheirWindowsAndExitUnloads) {
    form.mnuContents_Click();
    form.mnuAbout_Click();
    form.mnuExit_Click();
    EXPECT_THAT(window.log, ElementsAre("help", "about", "unload"));
}

}  // namespace
}  // namespace forms::test
