// The main window's menu bar, built from the designed menus; each item's command id names the
// menu command it runs.
#pragma once

#include <windows.h>

#include "importer/forms/main_window_layout.h"

namespace plumex::win32 {

// The command id that WM_COMMAND carries for a menu item.
UINT MenuCommandId(forms::MenuCommand command);
// The menu command of a WM_COMMAND id; MenuCommand::None for any other id.
forms::MenuCommand MenuCommandFor(UINT id);

// The menu bar with its two menus, access keys and separators; null when it could not be
// built. The caller owns it until a window takes it.
HMENU CreateMainMenuBar();

}  // namespace plumex::win32
