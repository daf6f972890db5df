// YieldToEvents on Win32: the messages already waiting in the thread's queue are handled, the
// main window's keyboard navigation included, and then control returns to the import.
#pragma once

#include <windows.h>

namespace plumex::win32 {

// Removes and dispatches every pending message, passing each through IsDialogMessage for
// dialogWindow (when not null) first. A WM_QUIT met on the way is posted again and ends the
// pumping, so that the program's own message loop still sees it and ends.
void PumpPendingMessages(HWND dialogWindow);

}  // namespace plumex::win32
