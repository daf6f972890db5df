// Drives a modal window from inside its own event loop: a zero-delay timer, armed before the
// window opens, fires once the window's loop runs, finds the window and hands it to a script.
// Whatever the script leaves open is closed afterwards, so the call that opened the window
// always returns.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "tests/support/hang_guard.h"

namespace plumex::qt::testing {

struct ModalOutcome {
    bool found = false;                       // a modal window was open when the timer fired
    bool leftOpen = false;                    // it was still open when the script ended
    vexo::test_support::HangGuard hangGuard;  // for a window that opened too late to be driven
};

std::shared_ptr<const ModalOutcome> DriveNextModal(std::function<void(QWidget& window)> script);

// Mouse events as the window system delivers them to window, positions in its pixels.
void PressAt(QWidget& window, QPoint position, Qt::MouseButton button);
void MoveTo(QWidget& window, QPoint position, Qt::MouseButtons held);
void ReleaseAt(QWidget& window, QPoint position, Qt::MouseButton button);

// In the folder picker (a FolderPickerDialog), as a user would: opens the folders down to
// path, selects it and presses OK. False when the tree does not hold it.
bool ChooseFolder(QWidget& picker, const std::string& path);

}  // namespace plumex::qt::testing
