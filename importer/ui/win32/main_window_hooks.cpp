#include "importer/ui/win32/main_window_hooks.h"

#include <utility>

#include "common/win32/handle_value.h"
#include "importer/ui/win32/about_window.h"
#include "importer/ui/win32/help_window.h"
#include "importer/ui/win32/message_box.h"
#include "importer/ui/win32/shell_folder_picker.h"

namespace plumex::win32 {

MainWindowHooks WithDesktopDefaults(MainWindowHooks hooks) {
    if (!hooks.openHelp) {
        hooks.openHelp = [](HWND owner) { ShowHelpWindow(owner); };
    }
    if (!hooks.openAbout) {
        hooks.openAbout = [](HWND owner) { ShowAboutWindow(owner); };
    }
    if (!hooks.pickFolder) {
        hooks.pickFolder = [](HWND owner, std::string_view title) {
            ShellFolderPicker picker;
            return picker.PickFolder(common::win32::HandleValue(owner), title);
        };
    }
    if (!hooks.showMessage) {
        hooks.showMessage = [](HWND owner, const MessageRequest& request) {
            return ShowMessageBox(owner, request.text, request.caption, request.buttons,
                                  request.icon);
        };
    }
    if (!hooks.endProgram) {
        hooks.endProgram = [] { ExitProcess(0); };
    }
    if (!hooks.destroyed) {
        hooks.destroyed = [] { PostQuitMessage(0); };
    }
    return hooks;
}

}  // namespace plumex::win32
