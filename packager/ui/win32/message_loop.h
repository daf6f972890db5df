// The window thread's wait for the worker: it handles every message that arrives while the
// worker runs - among them the ones the worker sends to the window and its controls, which
// complete only once handled here - and only the worker's end ends it.
#pragma once

#include "common/win32/windows_api.h"

namespace packager::win32 {

// Returns once the worker thread has ended: a quit message is then posted, the messages still
// waiting are handled, and the quit message's code (0) is returned. A quit message that arrives
// before is handled like any other. 0 too when the wait itself fails.
int HandleMessagesUntilEnded(HANDLE worker);

}  // namespace packager::win32
