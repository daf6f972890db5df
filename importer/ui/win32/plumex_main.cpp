// Plumex on Windows: the main window loads (the start-up checks, then Help), appears, and runs
// until it is unloaded. COM lives for the whole program, since the media library is reached
// through it; everything that holds the library's objects goes before COM does.
#include <windows.h>

#include <commctrl.h>

#include "common/win32/scoped_win.h"
#include "importer/forms/frmMain.h"
#include "importer/ui/win32/main_window.h"

namespace {

int RunMainWindow() {
    plumex::win32::MainWindow window(forms::SystemStartupServices());
    if (!window.Ok()) {
        return 1;
    }
    // A failed check ends the process from inside; on success Help has been shown and closed.
    window.Form().Form_Load();
    if (window.Window() == nullptr) {
        return 0;
    }
    ShowWindow(window.Window(), SW_SHOWNORMAL);
    // The keyboard starts on the first stop of the tab order, the Import button.
    SetFocus(GetNextDlgTabItem(window.Window(), nullptr, FALSE));
    UpdateWindow(window.Window());
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND dialog = window.Window();
        if (dialog != nullptr && IsDialogMessageA(dialog, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const common::win32::ComApartment apartment;
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    return RunMainWindow();
}
