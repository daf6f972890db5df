// The Qt main window driven as a user would: the start-up checks against a machine prefix of
// the test's own, and imports of real clips into the embedded library started and cancelled
// by clicks. Modal boxes are answered from the event loop they run, never by waiting.
#include "importer/ui/qt/main_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/machine_prefix.h"
#include "importer/itunes/library/library_install.h"
#include "importer/itunes/library/media_library.h"
#include "importer/registry/store/store_registry_api.h"
#include "tests/importer/ui/qt/modal_driver.h"
#include "tests/support/hang_guard.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"
#include "tools/testmedia/test_media.h"

namespace plumex::qt::test {
namespace {

using ::testing::ElementsAre;

struct Shown {
    std::string text;
    QMessageBox::Icon icon;
};

// Answers every message box as it opens: OK, or the given answer to a question.
class ModalAnswerer {
  public:
    explicit ModalAnswerer(QMessageBox::StandardButton questionAnswer = QMessageBox::No)
        : questionAnswer_(questionAnswer) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start();
    }

    std::vector<Shown> shown;
    QMessageBox::StandardButton questionAnswer_;

  private:
    void Answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        shown.push_back({box->text().toStdString(), box->icon()});
        const bool question = box->button(QMessageBox::Yes) != nullptr;
        box->button(question ? questionAnswer_ : QMessageBox::Ok)->click();
    }

    QTimer timer_;
};

class MainWindowTest : public ::testing::Test {
  protected:
    void InstallLibrary() {
        ASSERT_TRUE(common::EnsureMachinePrefix().has_value());
        std::ostringstream report;
        std::ostringstream errors;
        ASSERT_TRUE(itunes::library::InstallLibrary(registry_, report, errors)) << errors.str();
    }

    forms::StartupServices Services() {
        forms::StartupServices services = forms::SystemStartupServices();
        services.registry = &registry_;
        return services;
    }

    // A window whose Help only records that it opened, whether the window was showing then.
    // Its folder picker answers the test's TV folder, or with realPicker is the real one.
    std::unique_ptr<MainWindow> MakeWindow(bool realPicker = false) {
        MainWindowHooks hooks;
        hooks.openHelp = [this](QWidget* owner) {
            helpOpenedWhileShown.push_back(owner->isVisible());
        };
        hooks.endProgram = [this] { ended = true; };
        if (!realPicker) {
            hooks.pickFolder = [this](QWidget*, const QString& title) {
                chooserTitle = title.toStdString();
                return std::optional<std::string>(temp_ / "TV");
            };
        }
        return std::make_unique<MainWindow>(Services(), std::move(hooks));
    }

    std::string Clip(const std::string& relative, const std::string& folder = "TV") {
        const std::string path = temp_ / (folder + "/" + relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(vexo::testmedia::WriteVideoClip(path, vexo::testmedia::Container::kMp4));
        return path;
    }

    std::vector<itunes::library::TrackRecord> MoviesTracks() {
        auto library = itunes::library::MediaLibrary::OpenExisting(common::MediaLibraryPath());
        if (!library) {
            return {};
        }
        return library->ListTracks("Movies").value_or(std::vector<itunes::library::TrackRecord>{});
    }

    vexo::test_support::HangGuard hangGuard_;  // a box nobody answers would wait for ever
    vexo::test_support::TempFolder temp_{"vexo-qt-main"};
    vexo::test_support::ScopedVariable prefix_{"VEXO_PREFIX", temp_ / "prefix"};
    vexo::test_support::ScopedVariable programFiles_{"PROGRAMFILES", std::nullopt};
    registry::StoreRegistryApi registry_{
        (std::filesystem::create_directories(temp_ / "prefix"), common::RegistryStorePath())};
    std::vector<bool> helpOpenedWhileShown;
    std::string chooserTitle;
    bool ended = false;
};

TEST_F(MainWindowTest, AStartWithoutTheLibraryShowsTheErrorAndEnds) {
    auto window = MakeWindow();
    ModalAnswerer answerer;

    window->Form().Form_Load();

    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_EQ(answerer.shown[0].text, "iTunes not detected in registry. Please reinstall iTunes.");
    EXPECT_EQ(answerer.shown[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(helpOpenedWhileShown.empty());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, AMissingProgramFilesFolderHasNoIcon) {
    vexo::test_support::ScopedVariable missing{"PROGRAMFILES", temp_ / "nowhere"};
    auto window = MakeWindow();
    ModalAnswerer answerer;

    window->Form().Form_Load();

    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_EQ(answerer.shown[0].text, "Program Files location not detected.");
    EXPECT_EQ(answerer.shown[0].icon, QMessageBox::NoIcon);
    EXPECT_TRUE(ended);
}

TEST_F(MainWindowTest, ASuccessfulStartTitlesAndFitsTheWindowAndShowsHelpFirst) {
    InstallLibrary();
    auto window = MakeWindow();

    window->Form().Form_Load();

    EXPECT_FALSE(ended);
    EXPECT_THAT(helpOpenedWhileShown, ElementsAre(false));
    EXPECT_EQ(window->windowTitle().toStdString(), "VEXO(tm) Plumex TV v1.0");
    EXPECT_EQ(window->findChild<QLabel*>("lbliTunesVer")->text().toStdString(),
              "iTunes v7.1 detected");
    // The client area ends ten pixels below the Import button, then the status bar; the
    // gradient's surface spans all of it, the bar at its bottom.
    window->show();
    const auto* button = window->findChild<QPushButton*>("cmdImport");
    const auto* bar = window->findChild<QStatusBar*>("stbMain");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(window->centralWidget()->height(),
              button->geometry().bottom() + 1 + 10 + bar->height());
    EXPECT_EQ(bar->geometry().bottom() + 1, window->centralWidget()->height());
    EXPECT_EQ(window->findChild<QLabel*>("stbMainText")->text().toStdString(), "OK");
}

class ImportByClickTest : public MainWindowTest {
  protected:
    void SetUp() override {
        InstallLibrary();
        for (int season = 1; season <= 2; ++season) {
            for (int episode = 1; episode <= 3; ++episode) {
                Clip("The Show/Season " + std::to_string(season) + "/0" + std::to_string(episode) +
                     " Part " + std::to_string(episode) + ".mp4");
            }
        }
        window = MakeWindow();
        window->Form().Form_Load();
        window->show();
        button = window->findChild<QPushButton*>("cmdImport");
        status = window->findChild<QLabel*>("stbMainText");
    }

    // Runs at every pass of the event loop while the import runs.
    void WhileImporting(std::function<void()> check) {
        watcher.setInterval(0);
        QObject::connect(&watcher, &QTimer::timeout, check);
        watcher.start();
    }

    bool MenusEnabled() const {
        const auto menus = window->menuBar()->actions();
        return menus.size() == 2 && menus[0]->isEnabled() && menus[1]->isEnabled();
    }

    std::unique_ptr<MainWindow> window;
    QPushButton* button = nullptr;
    QLabel* status = nullptr;
    QTimer watcher;
};

TEST_F(ImportByClickTest, AClickImportsAndLabelsEveryEpisode) {
    ModalAnswerer answerer;
    bool sawImporting = false;
    WhileImporting([&] {
        if (button->text() == "Cance&l") {
            sawImporting = true;
            EXPECT_FALSE(MenusEnabled());
        }
    });

    button->click();

    EXPECT_TRUE(sawImporting);
    EXPECT_EQ(chooserTitle, "Select TV Show Folder...");
    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_EQ(answerer.shown[0].text, "6 files added.");
    EXPECT_EQ(answerer.shown[0].icon, QMessageBox::Information);
    const auto tracks = MoviesTracks();
    ASSERT_EQ(tracks.size(), 6u);
    for (const auto& track : tracks) {
        EXPECT_EQ(track.show, "The Show");
        EXPECT_EQ(track.video_kind, 3);
        EXPECT_EQ(track.name, track.episode_id);
    }
    EXPECT_TRUE(MenusEnabled());
    EXPECT_EQ(button->text(), "&Import TV Shows...");
    EXPECT_EQ(status->text(), "OK");
    EXPECT_EQ(window->findChild<QLineEdit*>("txtShow")->text(), "");
}

// A folder whose name is no UTF-8, chosen in the picker, is walked and imported under the name
// it has on disk, byte for byte.
TEST_F(MainWindowTest, AFolderChosenInThePickerIsImportedByItsOwnBytes) {
    const std::string folder = "T\xE9l\xE9";
    vexo::test_support::ScopedVariable home{"HOME", temp_.Root()};
    InstallLibrary();
    const std::string clip = Clip("The Show/Season 1/01 Pilot.mp4", folder);
    auto window = MakeWindow(true);
    window->Form().Form_Load();
    window->show();
    ModalAnswerer answerer;
    const auto picked = testing::DriveNextModal(
        [&](QWidget& picker) { EXPECT_TRUE(testing::ChooseFolder(picker, temp_ / folder)); });

    window->findChild<QPushButton*>("cmdImport")->click();

    EXPECT_TRUE(picked->found);
    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_EQ(answerer.shown[0].text, "1 files added.");
    const auto tracks = MoviesTracks();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].location, clip);
    EXPECT_EQ(tracks[0].show, "The Show");
}

// The Cancel click comes while the third file is being added.
class CancelByClickTest : public ImportByClickTest,
                          public ::testing::WithParamInterface<QMessageBox::StandardButton> {};

TEST_P(CancelByClickTest, TheAnswerDecidesWhetherTheWalkGoesOn) {
    ModalAnswerer answerer(GetParam());
    WhileImporting([&, clicked = false]() mutable {
        if (!clicked && status->text() == "Adding Part 3") {
            clicked = true;
            button->click();
        }
    });

    button->click();

    ASSERT_EQ(answerer.shown.size(), 2u);
    EXPECT_EQ(answerer.shown[0].text, "Are you sure you want to cancel?");
    EXPECT_EQ(answerer.shown[0].icon, QMessageBox::Question);
    std::size_t labelled = 0;
    for (const auto& track : MoviesTracks()) {
        labelled += track.video_kind == 3 ? 1 : 0;
    }
    EXPECT_EQ(answerer.shown[1].text, std::to_string(labelled) + " files added.");
    if (GetParam() == QMessageBox::Yes) {
        EXPECT_LT(labelled, 3u);
    } else {
        EXPECT_EQ(labelled, 6u);
    }
    EXPECT_TRUE(MenusEnabled());
    EXPECT_TRUE(button->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Answers, CancelByClickTest,
                         ::testing::Values(QMessageBox::Yes, QMessageBox::No), [](const auto& row) {
                             return std::string(row.param == QMessageBox::Yes ? "Yes" : "No");
                         });

}  // namespace
}  // namespace plumex::qt::test
