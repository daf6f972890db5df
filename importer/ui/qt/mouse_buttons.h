// Qt's mouse buttons as the forms' handlers count them.
#pragma once

#include <Qt>

#include "importer/forms/mouse_buttons.h"

namespace plumex::qt {

// The sum of the buttons held (a move), or the one button that changed (a press, a release).
inline int ButtonValue(Qt::MouseButtons buttons) {
    int value = 0;
    if (buttons & Qt::LeftButton) {
        value += forms::kLeftButton;
    }
    if (buttons & Qt::RightButton) {
        value += forms::kRightButton;
    }
    if (buttons & Qt::MiddleButton) {
        value += forms::kMiddleButton;
    }
    return value;
}

}  // namespace plumex::qt
