// What the main window hands to others: the Help and About windows, the folder chooser, the
// message boxes, the end of the program and of its message loop. Each has a desktop default;
// tests put their own, so that nothing modal waits for a user.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "importer/import_view.h"

namespace plumex::win32 {

struct MessageRequest {
    std::string_view text;
    std::string_view caption;
    importer::MessageButtons buttons;
    importer::MessageIcon icon;
};

struct MainWindowHooks {
    std::function<void(HWND owner)> openHelp;
    std::function<void(HWND owner)> openAbout;
    // The chosen folder as the picker gives it, or std::nullopt on cancel.
    std::function<std::optional<std::string>(HWND owner, std::string_view title)> pickFolder;
    // owner is null while the window is not shown yet.
    std::function<importer::MessageAnswer(HWND owner, const MessageRequest& request)> showMessage;
    // Ends the process without running any close handler.
    std::function<void()> endProgram;
    // The window was destroyed (unloaded): the program's message loop ends.
    std::function<void()> destroyed;
};

// hooks, with the desktop's behaviour in every hook left empty: the Help and About windows,
// the shell's folder picker, MessageBoxA, ExitProcess and PostQuitMessage.
MainWindowHooks WithDesktopDefaults(MainWindowHooks hooks);

}  // namespace plumex::win32
