// frmMain on Qt: the controls of the designed layout on a green gradient, the menus and the
// status bar. It draws and forwards events; the behaviour is forms::frmMain's.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "importer/forms/frmMain.h"
#include "importer/forms/main_window_view.h"
#include "importer/ui/qt/frame_placement.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;

namespace plumex::qt {

// What the window hands to others; each has a desktop default, and tests put their own.
struct MainWindowHooks {
    std::function<void(QWidget* owner)> openHelp;
    std::function<void(QWidget* owner)> openAbout;
    // The chosen folder (without a trailing separator), or std::nullopt on cancel.
    // Without one, the folder picker (PickFolderInTree).
    std::function<std::optional<std::string>(QWidget* owner, const QString& title)> pickFolder;
    // Ends the process without running any close handler.
    std::function<void()> endProgram;
};

class MainWindow final : public QMainWindow, public forms::MainWindowView {
  public:
    explicit MainWindow(forms::StartupServices services, MainWindowHooks hooks = {});
    ~MainWindow() override;

    forms::frmMain& Form() { return form_; }

    // The window's twips-per-pixel factors, from the screen it is on.
    double TwipsPerPixelX() const;
    double TwipsPerPixelY() const;

    // forms::MainWindowView
    void SetDisplayField(importer::DisplayField field, std::string_view text) override;
    void SetStatusText(std::string_view text) override;
    importer::MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                                        importer::MessageButtons buttons,
                                        importer::MessageIcon icon) override;
    void YieldToEvents() override;
    std::function<void()> Waker() override;
    void WaitForEvents(importer::IdleWait idle) override;
    std::optional<std::string> PickFolder(basFiles::WindowHandle owner,
                                          std::string_view title) override;
    void SetVersionLabel(std::string_view text) override;
    void SetCaption(std::string_view text) override;
    void SetImportCaption(std::string_view text) override;
    void SetEnabled(forms::MainControl control, bool enabled) override;
    forms::WindowMetrics Metrics() override;
    void SetHeight(double height) override;
    void Move(double left, double top) override;
    basFiles::WindowHandle Handle() override;
    void OpenHelp() override;
    void OpenAbout() override;
    void Unload() override;
    void EndProgram() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    struct LoopWaker;

    void BuildControls();
    void BuildMenus();
    int ToPixelsX(double twips) const;
    int ToPixelsY(double twips) const;

    MainWindowHooks hooks_;
    // Shared with the library's thread, whose wake-up may come after the window is gone.
    std::shared_ptr<LoopWaker> waker_;
    forms::frmMain form_;
    std::map<importer::DisplayField, QLineEdit*> fields_;
    QLabel* versionLabel_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusText_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    FramePlacement* placement_ = nullptr;
};

}  // namespace plumex::qt
