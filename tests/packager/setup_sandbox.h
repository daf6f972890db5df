// VEXOSetup packages run as a user runs them: as a separate process, from a "caller" folder,
// with a temporary folder ("tmp") and a runtime folder of their own in a scratch folder, boxes
// answered by the program's VEXO_SETUP_AUTOANSWER hook (reported on stderr) and no display but
// the one named.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/packager/written_packages.h"
#include "tests/support/temp_folder.h"

namespace packager::testing_support {

struct SetupOutcome {
    int exitCode = -1;   // -1 when it did not exit by itself
    std::string errors;  // the program's stderr
};

struct SetupRunOptions {
    std::vector<std::string> arguments;
    // The package's file is gone before the program starts, and another file has its name: it
    // runs from an open descriptor, as a package moved, deleted or replaced after its start.
    bool deletedBeforeStart = false;
    // On a terminal of its own (a pseudo-terminal it is the foreground of), as from a shell.
    bool onTerminal = false;
    std::string platform = "offscreen";  // QT_QPA_PLATFORM
    std::string display;                 // DISPLAY, for the xcb platform
    bool withRuntimeFolder = true;       // XDG_RUNTIME_DIR set
    bool answerBoxes = true;             // VEXO_SETUP_AUTOANSWER=1: boxes reported, not shown
};

class SetupSandbox {
  public:
    SetupSandbox();
    ~SetupSandbox();
    SetupSandbox(const SetupSandbox&) = delete;
    SetupSandbox& operator=(const SetupSandbox&) = delete;

    std::filesystem::path Scratch() const { return scratch_.path(); }
    std::filesystem::path Temp() const { return scratch_.path() / "tmp"; }
    std::filesystem::path Marker() const { return scratch_.path() / "marker"; }

    // Starts the package and returns its process.
    pid_t Start(const Bytes& package, const SetupRunOptions& options = {});
    // Waits for the started package to end.
    SetupOutcome Wait();
    SetupOutcome Run(const Bytes& package, const SetupRunOptions& options = {}) {
        Start(package, options);
        return Wait();
    }
    // Types on the terminal of a package started onTerminal.
    void Type(const std::string& keys) const;

    std::vector<std::string> TempFolderContents() const;

  private:
    vexo::test_support::TempFolder scratch_;
    pid_t child_ = -1;
    int terminal_ = -1;  // the pseudo-terminal's controlling side
};

}  // namespace packager::testing_support
