#include "packager/ui/win32/package_main.h"

#include <optional>

#include "common/win32/scoped_win.h"
#include "packager/package_worker.h"
#include "packager/ui/win32/message_box.h"
#include "packager/ui/win32/message_loop.h"
#include "packager/ui/win32/progress_window.h"
#include "packager/ui/win32/win32_progress_state.h"
#include "packager/ui/win32/win32_progress_view.h"
#include "packager/win32/win32_platform.h"

namespace packager::win32 {

namespace {

struct WorkerContext {
    WorkerPlatform& platform;
    ProgressView& view;
};

DWORD WINAPI RunWorker(LPVOID parameter) {
    const auto* context = static_cast<const WorkerContext*>(parameter);
    return static_cast<DWORD>(PackageWorker(context->platform, context->view));
}

// A fault that nothing handles (an access violation, a stack overflow), on either thread, would
// end the process with the fault's own code. The process can no longer be trusted to do more
// than end, so it ends at once, with the code of an abnormal end.
LONG WINAPI EndOnFault(EXCEPTION_POINTERS* /*fault*/) {
    ::TerminateProcess(::GetCurrentProcess(), kAbnormalEndCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int PackageMain(HINSTANCE instance) {
    ::SetUnhandledExceptionFilter(EndOnFault);
    const bool autoAnswer = AutoAnswerRequested();

    // Declared before the thread, so that they outlive it.
    Win32ProgressState state;
    Win32Platform platform;
    ProgressWindow window(state);
    Win32ProgressView view(state, window, autoAnswer);
    WorkerContext context{platform, view};

    const common::win32::UniqueHandle worker(
        ::CreateThread(nullptr, 0, RunWorker, &context, CREATE_SUSPENDED, nullptr));
    if (!worker) {
        ShowMessageBox(nullptr, InitializationErrorBox(SetupStep::CreateThread), autoAnswer);
        return 1;
    }
    if (const std::optional<SetupStep> failed = window.Create(instance)) {
        // The worker never runs; it ends with the process.
        const MessageBoxSpec box = InitializationErrorBox(*failed);
        ShowMessageBox(box.owner == MessageOwner::ProgressWindow ? window.Main() : nullptr, box,
                       autoAnswer);
        return 1;
    }
    if (::ResumeThread(worker.Get()) == static_cast<DWORD>(-1)) {
        return 0;
    }
    // The worker's end is the program's ordinary end, whatever code a quit message posted from
    // elsewhere may have carried.
    HandleMessagesUntilEnded(worker.Get());
    return 0;
}

}  // namespace packager::win32
