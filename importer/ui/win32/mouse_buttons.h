// The mouse buttons of the windows' messages as the forms' handlers count them.
#pragma once

#include <windows.h>

#include "importer/forms/mouse_buttons.h"

namespace plumex::win32 {

// The button a press or release message is about.
inline int ChangedButton(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            return forms::kLeftButton;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return forms::kRightButton;
        default:
            return forms::kMiddleButton;
    }
}

}  // namespace plumex::win32
