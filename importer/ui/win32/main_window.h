// frmMain on Win32: a top-level window with the designed controls over a green gradient, the
// menus and the status bar. It draws and forwards events; the behaviour is forms::frmMain's.
#pragma once

#include <windows.h>

#include "common/win32/scoped_win.h"
#include "importer/forms/frmMain.h"
#include "importer/forms/main_window_view.h"
#include "importer/ui/win32/main_window_controls.h"
#include "importer/ui/win32/main_window_hooks.h"
#include "importer/ui/win32/picture_resource.h"
#include "importer/ui/win32/screen_twips.h"

namespace plumex::win32 {

class MainWindow final : public forms::MainWindowView {
  public:
    // Creates the window hidden, at its design size; Ok() tells whether that worked. Hooks
    // left empty take the desktop's behaviour.
    explicit MainWindow(forms::StartupServices services, MainWindowHooks hooks = {});
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    bool Ok() const { return window_ != nullptr; }
    // Null once the window has been destroyed.
    HWND Window() const { return window_; }
    forms::frmMain& Form() { return form_; }
    // Where imgiTunes' picture is painted, in client pixels.
    RECT PictureRect() const { return controls_.picture; }

    // forms::MainWindowView
    void SetDisplayField(importer::DisplayField field, std::string_view text) override;
    void SetStatusText(std::string_view text) override;
    importer::MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                                        importer::MessageButtons buttons,
                                        importer::MessageIcon icon) override;
    void YieldToEvents() override;
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

    // Every message of the window, from WM_NCCREATE on (the window procedure's); none throws
    // out of it.
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    void Command(WPARAM wParam);
    HBRUSH StaticColours(HDC dc, HWND control);
    void EraseBackground(HDC dc);
    void Paint();
    // A transparent label keeps its old text unless the gradient behind it is drawn again.
    void SetLabelText(HWND label, std::string_view text);

    MainWindowHooks hooks_;
    forms::frmMain form_;
    TwipsPerPixel factors_;
    common::win32::GdiObject<HFONT> boldFont_;
    common::win32::GdiObject<HFONT> regularFont_;
    GdiBitmap picture_;
    HWND window_ = nullptr;
    MainControls controls_;
};

}  // namespace plumex::win32
