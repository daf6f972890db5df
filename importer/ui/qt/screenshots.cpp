// plumex_screenshots DIR: renders Plumex's three windows off screen into DIR/main.png,
// DIR/help.png and DIR/about.png, for the documentation. Run with QT_QPA_PLATFORM=offscreen
// where there is no display.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <cstdlib>
#include <iostream>

#include "importer/ui/qt/about_window.h"
#include "importer/ui/qt/help_window.h"
#include "importer/ui/qt/main_window.h"

namespace {

bool Save(QWidget& window, const QDir& folder, const QString& name) {
    window.show();
    QApplication::processEvents();
    const QString path = folder.filePath(name);
    if (!window.grab().save(path, "PNG")) {
        std::cerr << "plumex_screenshots: cannot write " << path.toStdString() << "\n";
        return false;
    }
    std::cout << path.toStdString() << "\n";
    return true;
}

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

    // The main window as a successful start leaves it; no start-up check runs here.
    plumex::qt::MainWindow main(importer::StartupServices{});
    main.SetCaption("VEXO(tm) Plumex TV v1.0");
    main.SetVersionLabel("iTunes v7.1 detected");
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
