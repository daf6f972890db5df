#include "packager/ui/win32/package_main.h"

#include <new>
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

// The worker's stack, committed as the thread is created, so that the worker's own calls never
// have to grow it later; it holds a few buffers of a few KiB at most, the rest of the worker's
// memory is its WorkerMemory.
constexpr SIZE_T kWorkerStackBytes = 64 * 1024;

struct WorkerContext {
    WorkerPlatform& platform;
    ProgressView& view;
    WorkerMemory& memory;
};

DWORD WINAPI RunWorker(LPVOID parameter) {
    const auto* context = static_cast<const WorkerContext*>(parameter);
    return static_cast<DWORD>(PackageWorker(context->platform, context->view, context->memory));
}

// Had from the process heap, and kept to the end of the process like the window: the worker may
// still use it while the process ends.
WorkerMemory* MakeWorkerMemory() {
    void* memory = ::HeapAlloc(::GetProcessHeap(), 0, sizeof(WorkerMemory));
    return memory != nullptr ? new (memory) WorkerMemory : nullptr;
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
    // The worker's memory is the first thing the program has, before its thread.
    return PackageMain(instance, MakeWorkerMemory());
}

int PackageMain(HINSTANCE instance, WorkerMemory* memory) {
    ::SetUnhandledExceptionFilter(EndOnFault);
    const bool autoAnswer = AutoAnswerRequested();

    // Declared before the thread, so that they outlive it.
    Win32ProgressState state;
    Win32Platform platform;
    ProgressWindow window(state);
    Win32ProgressView view(state, window, autoAnswer);

    // A set-up step that failed is reported in a box of its own, and the program ends with 1.
    const auto setUpFailed = [&](SetupStep step) {
        const MessageBoxSpec box = InitializationErrorBox(step);
        ShowMessageBox(box.owner == MessageOwner::ProgressWindow ? window.Main() : nullptr, box,
                       autoAnswer);
        return 1;
    };

    // The worker thread and all the memory it will run in come first: from here on nothing asks
    // for memory but the window's own calls.
    if (memory == nullptr) {
        return setUpFailed(SetupStep::CreateThread);
    }
    WorkerContext context{platform, view, *memory};
    const common::win32::UniqueHandle worker(
        ::CreateThread(nullptr, kWorkerStackBytes, RunWorker, &context, CREATE_SUSPENDED, nullptr));
    if (!worker) {
        return setUpFailed(SetupStep::CreateThread);
    }
    if (const std::optional<SetupStep> failed = window.Create(instance)) {
        // The worker never runs; it ends with the process.
        return setUpFailed(*failed);
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
