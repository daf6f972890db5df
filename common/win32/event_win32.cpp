// Events of the Windows kernel: the handle values are the real event handles, so that they can
// be handed to RegNotifyChangeKeyValue and to any wait function.
#include <algorithm>

#include "common/event.h"
#include "common/win32/handle_value.h"
#include "common/win32/scoped_win.h"

namespace common {

namespace {

HANDLE EventObject(EventHandle event) {
    return common::win32::HandleFromValue<HANDLE>(event);
}

// The longest wait that is not INFINITE, about 49.7 days.
constexpr std::chrono::milliseconds kLongestTimeout{INFINITE - 1};

}  // namespace

EventHandle CreateEventHandle(bool manualReset, bool initiallySignalled) {
    const HANDLE event = CreateEventA(nullptr, manualReset, initiallySignalled, nullptr);
    return event == nullptr ? 0 : common::win32::HandleValue(event);
}

bool SetEventHandle(EventHandle event) {
    return event != 0 && SetEvent(EventObject(event)) != FALSE;
}

bool ResetEventHandle(EventHandle event) {
    return event != 0 && ResetEvent(EventObject(event)) != FALSE;
}

// The caller hands its ownership back here.
bool CloseEventHandle(EventHandle event) {
    return event != 0 && common::win32::UniqueHandle(EventObject(event)).Close();
}

WaitResult WaitForEventHandle(EventHandle event, std::optional<std::chrono::milliseconds> timeout) {
    if (event == 0) {
        return WaitResult::Failed;
    }
    DWORD wait = INFINITE;
    if (timeout.has_value()) {
        wait = static_cast<DWORD>(
            std::clamp(*timeout, std::chrono::milliseconds(0), kLongestTimeout).count());
    }
    switch (WaitForSingleObject(EventObject(event), wait)) {
        case WAIT_OBJECT_0:
            return WaitResult::Signalled;
        case WAIT_TIMEOUT:
            return WaitResult::TimedOut;
        default:
            return WaitResult::Failed;
    }
}

}  // namespace common
