#include "importer/ui/win32/event_pump.h"

namespace plumex::win32 {

void PumpPendingMessages(HWND dialogWindow) {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        // The window may be gone by the time a later message arrives.
        if (dialogWindow != nullptr && IsWindow(dialogWindow) &&
            IsDialogMessageA(dialogWindow, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void PumpMessagesAfterWait(HWND dialogWindow, DWORD milliseconds) {
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    PumpPendingMessages(dialogWindow);
}

}  // namespace plumex::win32
