#include "packager/ui/qt/package_main.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>
#include <QApplication>
#include <QMetaObject>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "packager/package_worker.h"
#include "packager/posix/child_signal_relay.h"
#include "packager/posix/posix_platform.h"
#include "packager/posix/stop_signals.h"
#include "packager/progress_state.h"
#include "packager/shared_progress_view.h"
#include "packager/suspended_thread.h"
#include "packager/ui/qt/message_box.h"
#include "packager/ui/qt/progress_window.h"
#include "packager/ui/qt/qt_progress_display.h"

namespace packager::qt {

namespace {

QtMessageHandler previousHandler = nullptr;
// The private runtime folder made for this run, if one was (see RuntimeFolder).
std::string runtimeFolderMade;

void RemoveRuntimeFolder() {
    if (!runtimeFolderMade.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(runtimeFolderMade, ignored);
        runtimeFolderMade.clear();
    }
}

// Qt ends the process (abort) when no window system can be reached or no platform plugin
// loads. While the application object is made, such a fatal message is the program failing to
// set itself up: reported as the desktop's step would be, on stderr since no box can be shown,
// with the exit status that means "could not set itself up".
void SetUpMessageHandler(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
    if (type != QtFatalMsg) {
        if (previousHandler != nullptr) {
            previousHandler(type, context, message);
        }
        return;
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    ReportMessageBox(InitializationErrorBox(SetupStep::DesktopRect));
    RemoveRuntimeFolder();
    std::_Exit(1);
}

// Without XDG_RUNTIME_DIR, Qt makes $TMPDIR/runtime-<user> and leaves it there. The program
// leaves nothing in the temporary folder, so it names a private runtime folder of its own for
// its run (setup.exe inherits it) and removes it at the end.
class RuntimeFolder {
  public:
    RuntimeFolder() {
        if (std::getenv("XDG_RUNTIME_DIR") != nullptr) {
            return;
        }
        std::error_code error;
        const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
        std::string pattern =
            ((error ? std::filesystem::path("/tmp") : temp) / "vexo-runtime-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr &&
            ::setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1) == 0) {
            runtimeFolderMade = pattern;
        }
    }
    ~RuntimeFolder() {
        if (!runtimeFolderMade.empty()) {
            ::unsetenv("XDG_RUNTIME_DIR");
            RemoveRuntimeFolder();
        }
    }
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;
};

// What ending the run without its window needs, while the worker may be running.
struct RunningWorker {
    posix::ChildSignalRelay& relay;
    ProgressState& state;
    QtProgressDisplay& display;
    posix::StopSignals& stops;
    SuspendedThread& thread;
};
RunningWorker* runningWorker = nullptr;

// The window system's plugin ends the process with exit(1) when its connection breaks (the
// display server ended, the window was killed). Status 1 would say that the program could not
// set itself up, and the worker would leave its folder behind: with the worker running, a lost
// display is a hang-up instead, a cancel like SIGHUP, and the program ends once the worker has
// removed its folder, without touching the window system again.
void EndWithoutDisplay() {
    RunningWorker* const run = runningWorker;
    if (run != nullptr) {
        run->stops.StopWatching();
        run->display.Detach();
        run->relay.Forward(SIGHUP, /*childHasIt=*/false);
        run->state.cancelEvent.Set();
        run->thread.Join();
    }
    RemoveRuntimeFolder();
    if (run != nullptr) {
        std::_Exit(128 + SIGHUP);
    }
}

}  // namespace

int PackageMain(int argc, char** argv) {
    // First of all: a stop signal from here on is kept, to be taken as a Cancel.
    posix::StopSignals stops;
    const RuntimeFolder runtimeFolder;
    // The program takes no options: Qt sees the program's name alone, so that no argument
    // (-platform, -stylesheet, -reverse ...) can change its behaviour or abort it.
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    previousHandler = qInstallMessageHandler(SetUpMessageHandler);
    QApplication application(qtArgc, qtArgv);
    qInstallMessageHandler(previousHandler);
    // Only the worker's end ends the program, never a closed window.
    QApplication::setQuitOnLastWindowClosed(false);
    const bool autoAnswer = AutoAnswerRequested();

    // Declared before the threads, so that they outlive them.
    ProgressState state;
    posix::ChildSignalRelay relay;
    posix::PosixPlatform platform(relay);
    ProgressWindow window(state);
    QtProgressDisplay display(window, autoAnswer);
    SharedProgressView view(state, display);
    bool workerEnded = false;  // window thread only

    // A signal ends the program with 128 + its number, whatever the run would have ended with.
    const auto endWith = [&stops](int exitCode) {
        stops.StopWatching();
        const int signal = stops.FirstSignal();
        return signal != 0 ? 128 + signal : exitCode;
    };
    // A stop signal is a Cancel: the worker stops at its next look at the cancel request and
    // removes its folder; a running setup program receives the signal; no box waits for an
    // answer any more.
    const bool watching = stops.Watch([&](const posix::StopSignal& signal) {
        relay.Forward(signal.number, signal.sentToGroup);
        state.cancelEvent.Set();
        display.AnswerBoxesWithoutAsking();
        QMetaObject::invokeMethod(
            &window,
            [&window] {
                window.ShowCancelledBySignal();
                DismissMessageBoxes();
            },
            Qt::QueuedConnection);
    });

    // All the memory the worker will run in is had before the worker exists, as the thread is.
    const std::unique_ptr<WorkerMemory> memory(new (std::nothrow) WorkerMemory);
    SuspendedThread worker;
    const bool created = watching && memory != nullptr && worker.Create([&] {
        PackageWorker(platform, view, *memory);
        if (display.Detached()) {
            return;  // the window thread is ending the program without its window
        }
        QMetaObject::invokeMethod(
            &application,
            [&workerEnded] {
                workerEnded = true;
                QCoreApplication::exit(0);
            },
            Qt::QueuedConnection);
    });
    if (!created) {
        ShowMessageBox(nullptr, InitializationErrorBox(SetupStep::CreateThread), autoAnswer);
        return endWith(1);
    }

    if (const std::optional<SetupStep> failed = window.SetUp()) {
        const MessageBoxSpec box = InitializationErrorBox(*failed);
        ShowMessageBox(box.owner == MessageOwner::ProgressWindow ? &window : nullptr, box,
                       autoAnswer);
        return endWith(1);  // the thread is abandoned unrun
    }

    RunningWorker running{relay, state, display, stops, worker};
    runningWorker = &running;
    std::atexit(EndWithoutDisplay);
    worker.Resume();
    int exitCode = 0;
    // A quit that arrives while the worker still runs does not end the program.
    do {
        exitCode = QApplication::exec();
    } while (!workerEnded);
    worker.Join();
    runningWorker = nullptr;
    return endWith(exitCode);
}

}  // namespace packager::qt
