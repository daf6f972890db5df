// VEXOSetup's OK boxes on Win32.
//
// Test hook: when the environment variable VEXO_SETUP_AUTOANSWER is 1, no box is shown; each is
// answered at once with its default (OK), and its caption and text are written to the standard
// error handle as
//   VEXOSetup message box: <caption>
//   <text>
// so that a test can run the program unattended and still see what it would have reported.
#pragma once

#include "common/win32/windows_api.h"
#include "packager/message_boxes.h"

namespace packager::win32 {

// Whether VEXO_SETUP_AUTOANSWER asks for boxes to be answered unseen; read once at start.
bool AutoAnswerRequested();

// Shows the box over owner (or alone when owner is null) and returns once it was dismissed;
// with autoAnswer it only reports the box.
void ShowMessageBox(HWND owner, const MessageBoxSpec& box, bool autoAnswer);

}  // namespace packager::win32
