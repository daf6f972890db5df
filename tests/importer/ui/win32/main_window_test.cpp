// The Win32 main window driven as a user would, through its real controls and menus: the
// start-up checks against a machine of the test's own, and imports into a media library held
// in memory, started, cancelled and closed by messages. Message boxes, Help and About, and the
// folder chooser are answered by hooks, so nothing modal waits for a user.
#include "importer/ui/win32/main_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "importer/forms/main_window_layout.h"
#include "importer/ui/win32/main_window_controls.h"
#include "tests/importer/ui/win32/test_machine.h"

namespace plumex::win32::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Shown {
    std::string text;
    std::string caption;
    importer::MessageButtons buttons;
    importer::MessageIcon icon;
    bool owned;
};

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string MenuText(HMENU menu, UINT position) {
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

class MainWindowTest : public ::testing::Test {
  protected:
    // A window whose hooks record what they are asked; questions get questionAnswer.
    void MakeWindow() {
        MainWindowHooks hooks;
        hooks.openHelp = [this](HWND owner) {
            helpOpenedWhileShown.push_back(IsWindowVisible(owner) != FALSE);
        };
        hooks.openAbout = [this](HWND) { ++aboutOpened; };
        hooks.pickFolder = [this](HWND owner, std::string_view title) {
            chooser.push_back(std::string(title) +
                              (owner == window->Window() ? "" : " (no owner)"));
            return chosenFolder;
        };
        hooks.showMessage = [this](HWND owner, const MessageRequest& request) {
            shown.push_back({std::string(request.text), std::string(request.caption),
                             request.buttons, request.icon, owner != nullptr});
            return request.buttons == importer::MessageButtons::Ok ? importer::MessageAnswer::Ok
                                                                   : questionAnswer;
        };
        hooks.endProgram = [this] { ended = true; };
        hooks.destroyed = [this] { ++destroyed; };
        window = std::make_unique<MainWindow>(machine.Services(), std::move(hooks));
    }

    // Loads the window on an installed library and shows it, as the program does.
    void StartShown() {
        machine.InstallLibrary();
        MakeWindow();
        window->Form().Form_Load();
        ShowWindow(window->Window(), SW_SHOWNORMAL);
    }

    void SetUp() override {
        if (GetSystemMetrics(SM_CXSCREEN) <= 0) {
            GTEST_SKIP() << "no display: the window tests need one (run them under xvfb-run)";
        }
    }

    HWND Control(std::string_view name) const {
        return GetDlgItem(window->Window(), ControlId(name));
    }

    std::string StatusText() const {
        char text[256] = {};
        // In simple mode the bar has one part, and its text is the simple text.
        SendMessageA(Control("stbMain"), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }

    bool MenuEnabled(UINT position) const {
        return (GetMenuState(GetMenu(window->Window()), position, MF_BYPOSITION) & MF_GRAYED) == 0;
    }

    bool Idle() const {
        return MenuEnabled(0) && MenuEnabled(1) && IsWindowEnabled(Control("cmdImport")) &&
               WindowText(Control("cmdImport")) == "&Import TV Shows...";
    }

    void ClickImport() { SendMessageA(Control("cmdImport"), BM_CLICK, 0, 0); }

    testing::TestMachine machine;
    std::unique_ptr<MainWindow> window;
    std::vector<bool> helpOpenedWhileShown;
    int aboutOpened = 0;
    std::vector<std::string> chooser;
    std::optional<std::string> chosenFolder;
    std::vector<Shown> shown;
    importer::MessageAnswer questionAnswer = importer::MessageAnswer::No;
    bool ended = false;
    int destroyed = 0;
};

// ---- Start-up -----------------------------------------------------------------------------

struct FailedStart {
    std::string name;
    bool installLibrary;
    bool loseProgramFiles;
    std::string message;
    importer::MessageIcon icon;
};

void PrintTo(const FailedStart& row, std::ostream* out) {
    *out << row.name;
}

class FailedStartTest : public MainWindowTest, public ::testing::WithParamInterface<FailedStart> {};

TEST_P(FailedStartTest, ShowsTheMessageAndEndsBeforeTheWindowIsShown) {
    if (GetParam().installLibrary) {
        machine.InstallLibrary("7.0.2.16");
    }
    if (GetParam().loseProgramFiles) {
        machine.LoseProgramFiles();
    }
    MakeWindow();
    ASSERT_TRUE(window->Ok());

    window->Form().Form_Load();

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, GetParam().message);
    EXPECT_EQ(shown[0].caption, "VEXO(tm) Plumex TV");
    EXPECT_EQ(shown[0].buttons, importer::MessageButtons::Ok);
    EXPECT_EQ(shown[0].icon, GetParam().icon);
    EXPECT_FALSE(shown[0].owned);
    EXPECT_TRUE(ended);
    EXPECT_THAT(helpOpenedWhileShown, IsEmpty());
    EXPECT_FALSE(IsWindowVisible(window->Window()));
    EXPECT_EQ(WindowText(window->Window()), "VEXO(tm) Plumex");
}

INSTANTIATE_TEST_SUITE_P(
    Checks, FailedStartTest,
    ::testing::Values(FailedStart{"NoProgramFiles", true, true,
                                  "Program Files location not detected.",
                                  importer::MessageIcon::None},
                      FailedStart{"NoLibrary", false, false,
                                  "iTunes not detected in registry. Please reinstall iTunes.",
                                  importer::MessageIcon::Error},
                      FailedStart{"TooOld", true, false,
                                  "iTunes v7.1 or better not detected. Please update iTunes.",
                                  importer::MessageIcon::Error}),
    [](const auto& row) { return row.param.name; });

TEST_F(MainWindowTest, ASuccessfulStartTitlesFitsAndCentresTheWindowAfterHelp) {
    machine.InstallLibrary("7.3.2.6");
    MakeWindow();
    ASSERT_TRUE(window->Ok());

    window->Form().Form_Load();

    EXPECT_FALSE(ended);
    EXPECT_THAT(shown, IsEmpty());
    EXPECT_THAT(helpOpenedWhileShown, ElementsAre(false));
    EXPECT_EQ(WindowText(window->Window()), "VEXO(tm) Plumex TV v1.0");
    EXPECT_EQ(WindowText(Control("lbliTunesVer")), "iTunes v7.3 detected");
    EXPECT_EQ(StatusText(), "OK");
    // The client area ends ten pixels below the Import button, then the status bar.
    RECT client{};
    RECT button{};
    RECT status{};
    GetClientRect(window->Window(), &client);
    GetWindowRect(Control("cmdImport"), &button);
    MapWindowPoints(nullptr, window->Window(), reinterpret_cast<POINT*>(&button), 2);
    GetWindowRect(Control("stbMain"), &status);
    EXPECT_EQ(client.bottom, button.bottom + 10 + (status.bottom - status.top));
    RECT outer{};
    GetWindowRect(window->Window(), &outer);
    EXPECT_LE(
        std::abs(outer.left - (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2), 1);
    EXPECT_LE(
        std::abs(outer.top - (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2), 1);
}

// ---- Layout -------------------------------------------------------------------------------

TEST_F(MainWindowTest, ControlsStandAtTheirDesignedPlacesWithTheirTexts) {
    MakeWindow();
    ASSERT_TRUE(window->Ok());
    const TwipsPerPixel factors = ScreenTwipsPerPixel();
    for (const forms::ControlLayout& control : forms::kMainControls) {
        if (control.kind == forms::ControlKind::StatusBar) {
            continue;
        }
        SCOPED_TRACE(std::string(control.name));
        // The picture is painted, not a child: the whole 48 x 48 picture at its pixel size.
        RECT rect = window->PictureRect();
        if (control.kind != forms::ControlKind::Picture) {
            HWND child = Control(control.name);
            ASSERT_NE(child, nullptr);
            GetWindowRect(child, &rect);
            MapWindowPoints(nullptr, window->Window(), reinterpret_cast<POINT*>(&rect), 2);
            EXPECT_EQ(WindowText(child), control.text);
        }
        const forms::TwipsRect designed = forms::ShownRect(control, factors.x, factors.y);
        EXPECT_EQ(rect.left, TwipsToPixels(designed.left, factors.x));
        EXPECT_EQ(rect.top, TwipsToPixels(designed.top, factors.y));
        EXPECT_EQ(rect.right - rect.left, TwipsToPixels(designed.width, factors.x));
        EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(designed.height, factors.y));
    }
    const LONG style = GetWindowLongA(window->Window(), GWL_STYLE);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
}

TEST_F(MainWindowTest, TheTabKeyVisitsTheButtonThenTheFieldsInTheirOrder) {
    MakeWindow();
    ASSERT_TRUE(window->Ok());
    std::vector<std::string> visited;
    HWND at = Control("cmdImport");
    for (int i = 0; i < 5; ++i) {
        at = GetNextDlgTabItem(window->Window(), at, FALSE);
        for (const forms::ControlLayout& control : forms::kMainControls) {
            if (at == Control(control.name)) {
                visited.emplace_back(control.name);
            }
        }
    }
    EXPECT_THAT(visited, ElementsAre("txtShow", "txtSeasonNumber", "txtEpisodeID",
                                     "txtEpisodeNumber", "cmdImport"));
}

TEST_F(MainWindowTest, TheMenusHoldTheirItemsWithAccessKeysAndSeparators) {
    MakeWindow();
    ASSERT_TRUE(window->Ok());
    HMENU bar = GetMenu(window->Window());
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    for (UINT i = 0; i < forms::kMainMenus.size(); ++i) {
        const forms::MenuLayout& layout = forms::kMainMenus[i];
        SCOPED_TRACE(std::string(layout.name));
        EXPECT_EQ(MenuText(bar, i), layout.text);
        HMENU menu = GetSubMenu(bar, static_cast<int>(i));
        ASSERT_EQ(GetMenuItemCount(menu), 3);
        for (UINT item = 0; item < layout.items.size(); ++item) {
            const bool separator = (GetMenuState(menu, item, MF_BYPOSITION) & MF_SEPARATOR) != 0;
            EXPECT_EQ(separator, layout.items[item].text.empty());
            if (!separator) {
                EXPECT_EQ(MenuText(menu, item), layout.items[item].text);
            }
        }
    }
}

// ---- Menu commands ------------------------------------------------------------------------

struct MenuCase {
    std::string name;
    int menu;
    int item;
};

void PrintTo(const MenuCase& row, std::ostream* out) {
    *out << row.name;
}

class MenuCommandTest : public MainWindowTest, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(MenuCommandTest, AChosenItemRunsItsHandler) {
    StartShown();
    HMENU menu = GetSubMenu(GetMenu(window->Window()), GetParam().menu);
    const UINT id = GetMenuItemID(menu, GetParam().item);

    SendMessageA(window->Window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);

    const std::string& name = GetParam().name;
    EXPECT_EQ(helpOpenedWhileShown.size(), name == "Contents" ? 2u : 1u);
    EXPECT_EQ(aboutOpened, name == "About" ? 1 : 0);
    EXPECT_EQ(destroyed, name == "Exit" ? 1 : 0);
    EXPECT_EQ(window->Window() == nullptr, name == "Exit");
    // Import with the chooser cancelled: back to idle, no message.
    EXPECT_EQ(chooser.size(), name == "Import" ? 1u : 0u);
    EXPECT_THAT(shown, IsEmpty());
    if (name != "Exit") {
        EXPECT_TRUE(Idle());
    }
}

INSTANTIATE_TEST_SUITE_P(Items, MenuCommandTest,
                         ::testing::Values(MenuCase{"Import", 0, 0}, MenuCase{"Exit", 0, 2},
                                           MenuCase{"Contents", 1, 0}, MenuCase{"About", 1, 2}),
                         [](const auto& row) { return row.param.name; });

// ---- Imports ------------------------------------------------------------------------------

class ImportByClickTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        for (int season = 1; season <= 2; ++season) {
            for (int episode = 1; episode <= 3; ++episode) {
                machine.Episode("The Show\\Season " + std::to_string(season) + "\\0" +
                                std::to_string(episode) + " Part " + std::to_string(episode) +
                                ".mp4");
            }
        }
        chosenFolder = machine.Root().string();
        StartShown();
        ASSERT_TRUE(window->Ok());
    }

    std::size_t Labelled() const {
        std::size_t labelled = 0;
        for (const auto& track : machine.playlist->tracks) {
            labelled += track->Labelled() ? 1 : 0;
        }
        return labelled;
    }

    // Each added file's progress gets its own copy of the hook: what the test did once is
    // kept here.
    bool acted = false;
};

TEST_F(ImportByClickTest, AClickImportsAndLabelsEveryEpisode) {
    bool sawImporting = false;
    machine.onStatusRead = [&] {
        sawImporting = true;
        EXPECT_FALSE(MenuEnabled(0));
        EXPECT_FALSE(MenuEnabled(1));
        EXPECT_TRUE(IsWindowEnabled(Control("cmdImport")));
        EXPECT_EQ(WindowText(Control("cmdImport")), "Cance&l");
        EXPECT_EQ(WindowText(Control("txtShow")), "The Show");
        EXPECT_EQ(StatusText().rfind("Adding Part ", 0), 0u);
    };

    ClickImport();

    EXPECT_TRUE(sawImporting);
    EXPECT_THAT(chooser, ElementsAre("Select TV Show Folder..."));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "6 files added.");
    EXPECT_EQ(shown[0].icon, importer::MessageIcon::Information);
    EXPECT_TRUE(shown[0].owned);
    EXPECT_EQ(Labelled(), 6u);
    for (const auto& track : machine.playlist->tracks) {
        EXPECT_EQ(track->show, "The Show");
    }
    EXPECT_TRUE(Idle());
    EXPECT_EQ(StatusText(), "OK");
    EXPECT_EQ(WindowText(Control("txtShow")), "");
}

// The Cancel click comes while the third file of the first season is being added.
class CancelByClickTest : public ImportByClickTest,
                          public ::testing::WithParamInterface<importer::MessageAnswer> {};

TEST_P(CancelByClickTest, TheAnswerDecidesWhetherTheWalkGoesOn) {
    questionAnswer = GetParam();
    machine.onStatusRead = [this] {
        if (!acted && StatusText() == "Adding Part 3") {
            acted = true;
            PostMessageA(Control("cmdImport"), BM_CLICK, 0, 0);
        }
    };

    ClickImport();

    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Are you sure you want to cancel?");
    EXPECT_EQ(shown[0].buttons, importer::MessageButtons::YesNo);
    EXPECT_EQ(shown[0].icon, importer::MessageIcon::Question);
    EXPECT_EQ(shown[1].text, std::to_string(Labelled()) + " files added.");
    if (GetParam() == importer::MessageAnswer::Yes) {
        EXPECT_LT(Labelled(), 3u);
    } else {
        EXPECT_EQ(Labelled(), 6u);
    }
    EXPECT_TRUE(Idle());
}

INSTANTIATE_TEST_SUITE_P(Answers, CancelByClickTest,
                         ::testing::Values(importer::MessageAnswer::Yes,
                                           importer::MessageAnswer::No),
                         [](const auto& row) {
                             return std::string(row.param == importer::MessageAnswer::Yes ? "Yes"
                                                                                          : "No");
                         });

TEST_F(ImportByClickTest, ClosingDuringAnImportStopsItAndThenCloses) {
    machine.onStatusRead = [this] {
        if (!acted && StatusText() == "Adding Part 3") {
            acted = true;
            PostMessageA(window->Window(), WM_CLOSE, 0, 0);
        }
    };

    ClickImport();

    // No question: the close counts as a confirmed cancel, and the report still comes.
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, std::to_string(Labelled()) + " files added.");
    EXPECT_LT(Labelled(), 3u);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(window->Window(), nullptr);
}

TEST_F(MainWindowTest, ClosingWhileIdleDestroysTheWindow) {
    StartShown();

    SendMessageA(window->Window(), WM_CLOSE, 0, 0);

    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(window->Window(), nullptr);
}

}  // namespace
}  // namespace plumex::win32::test
