// plumex_screenshots DIR: shows Plumex's three windows and saves them into DIR/main.png,
// DIR/help.png and DIR/about.png, for the documentation. On an X display with a window manager
// (scripts/screenshots runs it on Xvfb under openbox) each picture is taken from the screen,
// the window's frame included; off screen (QT_QPA_PLATFORM=offscreen) only the windows' own
// pixels can be had.
#include <stdlib.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "common/machine_prefix.h"
#include "importer/itunes/library/library_install.h"
#include "importer/registry/registry_api.h"
#include "importer/ui/qt/about_window.h"
#include "importer/ui/qt/frame_placement.h"
#include "importer/ui/qt/help_window.h"
#include "importer/ui/qt/main_window.h"

namespace {

// Handles events for a while, or until done says so.
template <typename Done>
void RunEventsUntil(int milliseconds, Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

// The window as the screen shows it, frame and all, once the window manager has framed and
// placed it; without a window manager, the window's own pixels.
QImage Picture(QWidget& window) {
    window.show();
    const bool managed = QGuiApplication::platformName() == QStringLiteral("xcb");
    if (!managed) {
        QApplication::processEvents();
        return window.grab().toImage();
    }
    RunEventsUntil(5000, [&] {
        return window.windowHandle() != nullptr && window.windowHandle()->isExposed();
    });
    // A frameless window gets no frame to wait for.
    const bool frameless = window.windowFlags().testFlag(Qt::FramelessWindowHint);
    using plumex::qt::OuterGeometry;
    RunEventsUntil(frameless ? 0 : 5000, [&] {
        return OuterGeometry(window).contains(window.geometry()) &&
               OuterGeometry(window) != window.geometry();
    });
    // The move to keep its centre, and the manager drawing the frame.
    RunEventsUntil(500, [] { return false; });
    window.repaint();
    const QRect outer = OuterGeometry(window);
    return window.screen()
        ->grabWindow(0, outer.x(), outer.y(), outer.width(), outer.height())
        .toImage();
}

bool Save(QWidget& window, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (!Picture(window).save(path, "PNG")) {
        std::cerr << "plumex_screenshots: cannot write " << path.toStdString() << "\n";
        return false;
    }
    std::cout << path.toStdString() << "\n";
    return true;
}

// A machine of its own in a temporary folder, with the embedded library installed, so that
// the main window is shown as a real start leaves it.
class ScratchMachine {
  public:
    ScratchMachine() {
        std::string pattern = (std::filesystem::temp_directory_path() / "plumex-shots-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) {
            return;
        }
        folder_ = pattern;
        setenv("VEXO_PREFIX", (folder_ + "/prefix").c_str(), 1);
        unsetenv("PROGRAMFILES");
        std::ostringstream report;
        ready_ = common::EnsureMachinePrefix().has_value() &&
                 itunes::library::InstallLibrary(registry::SystemRegistryApi(), report, std::cerr);
    }
    ~ScratchMachine() {
        std::error_code ignored;
        if (!folder_.empty()) {
            std::filesystem::remove_all(folder_, ignored);
        }
    }
    bool Ready() const { return ready_; }

  private:
    std::string folder_;
    bool ready_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: plumex_screenshots DIR\n";
        return EXIT_FAILURE;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::cerr << "plumex_screenshots: cannot create " << argv[1] << "\n";
        return EXIT_FAILURE;
    }

    // The main window as a successful start leaves it: checks passed, caption, height.
    const ScratchMachine machine;
    if (!machine.Ready()) {
        std::cerr << "plumex_screenshots: cannot install a media library to start against\n";
        return EXIT_FAILURE;
    }
    plumex::qt::MainWindowHooks hooks;
    hooks.openHelp = [](QWidget*) {};
    plumex::qt::MainWindow main(forms::SystemStartupServices(), std::move(hooks));
    main.Form().Form_Load();
    bool saved = Save(main, folder, QStringLiteral("main.png"));

    plumex::qt::HelpWindow help(&main);
    help.Form().Form_Load();
    saved = Save(help, folder, QStringLiteral("help.png")) && saved;
    help.hide();

    plumex::qt::AboutWindow about(&main, [](QWidget*, const QUrl&) {});
    about.Form().Form_Load();
    saved = Save(about, folder, QStringLiteral("about.png")) && saved;
    return saved ? EXIT_SUCCESS : EXIT_FAILURE;
}
