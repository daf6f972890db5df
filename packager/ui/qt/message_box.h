// VEXOSetup's OK boxes on Qt.
//
// Test hook: when the environment variable VEXO_SETUP_AUTOANSWER is 1, no box is shown; each is
// answered at once with its default (OK), and its caption and text are written to stderr as
//   VEXOSetup message box: <caption>
//   <text>
// so that a test can run the program unattended and still see what it would have reported.
#pragma once

#include "packager/message_boxes.h"

class QWidget;

namespace packager::qt {

// Whether VEXO_SETUP_AUTOANSWER asks for boxes to be answered unseen; read once at start.
bool AutoAnswerRequested();

// Shows the box modally over owner (or alone when owner is null) and returns once it was
// dismissed; with autoAnswer it only reports the box on stderr.
void ShowMessageBox(QWidget* owner, const MessageBoxSpec& box, bool autoAnswer);

// Closes every box that is open, as if OK had been pressed: after a stop signal nobody may be
// there to answer it.
void DismissMessageBoxes();

// Writes the box on stderr in the form above: where no box can be shown at all (no display).
void ReportMessageBox(const MessageBoxSpec& box);

}  // namespace packager::qt
