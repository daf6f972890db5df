#include "packager/ui/win32/message_loop.h"

namespace packager::win32 {

namespace {

void DispatchOne(const MSG& message) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

}  // namespace

int HandleMessagesUntilEnded(HANDLE worker) {
    MSG message{};
    for (;;) {
        const DWORD woke = ::MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0 + 1) {
            // A quit message is dispatched here like any other.
            while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchOne(message);
            }
            continue;
        }
        if (woke != WAIT_OBJECT_0) {
            return 0;
        }
        ::PostQuitMessage(0);
        BOOL got = FALSE;
        while ((got = ::GetMessageA(&message, nullptr, 0, 0)) > 0) {
            DispatchOne(message);
        }
        return got == 0 ? static_cast<int>(message.wParam) : 0;
    }
}

}  // namespace packager::win32
