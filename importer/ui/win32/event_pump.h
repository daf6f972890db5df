// YieldToEvents on Win32: the messages already waiting in the thread's queue are handled, the
// main window's keyboard navigation included, and then control returns to the import; the wait
// for an add first sleeps until a message comes, a short while at most.
#pragma once

#include <windows.h>

namespace plumex::win32 {

// Removes and dispatches every pending message, passing each through IsDialogMessage for
// dialogWindow (when not null) first. A WM_QUIT met on the way is posted again and ends the
// pumping, so that the program's own message loop still sees it and ends.
void PumpPendingMessages(HWND dialogWindow);

// Sleeps until a message is in the thread's queue (one that was there already counts) or
// milliseconds have passed, then pumps as PumpPendingMessages does.
void PumpMessagesAfterWait(HWND dialogWindow, DWORD milliseconds);

}  // namespace plumex::win32
