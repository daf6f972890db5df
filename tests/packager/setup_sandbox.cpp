#include "tests/packager/setup_sandbox.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/files.h"

extern char** environ;

namespace packager::testing_support {

namespace fs = std::filesystem;
using vexo::test_support::ReadText;
using vexo::test_support::ToBytes;
using vexo::test_support::WriteBytes;

SetupSandbox::SetupSandbox() {
    for (const char* folder : {"tmp", "caller", "runtime"}) {
        fs::create_directory(scratch_.path() / folder);
    }
    fs::permissions(scratch_.path() / "runtime", fs::perms::owner_all);
}

SetupSandbox::~SetupSandbox() {
    if (child_ > 0) {
        ::kill(child_, SIGKILL);
        Wait();
    }
}

pid_t SetupSandbox::Start(const Bytes& package, const SetupRunOptions& options) {
    const fs::path program = scratch_.path() / "VEXOSetup-package";
    WriteBytes(program, package);
    fs::permissions(program, fs::perms::owner_all);
    const int image =
        options.deletedBeforeStart ? ::open(program.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (options.deletedBeforeStart) {
        fs::remove(program);
        WriteBytes(program, ToBytes("not the package"));
    }

    std::vector<std::string> environment = {
        "QT_QPA_PLATFORM=" + options.platform,
        "TMPDIR=" + Temp().string(),
        "PWD=" + (scratch_.path() / "caller").string(),
    };
    if (options.answerBoxes) {
        environment.push_back("VEXO_SETUP_AUTOANSWER=1");
    }
    if (!options.display.empty()) {
        environment.push_back("DISPLAY=" + options.display);
    }
    if (options.withRuntimeFolder) {
        environment.push_back("XDG_RUNTIME_DIR=" + (scratch_.path() / "runtime").string());
    }
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        const std::string name = entry.substr(0, entry.find('='));
        // Without the caller's display: the platform named above is the only window system.
        if (name != "QT_QPA_PLATFORM" && name != "VEXO_SETUP_AUTOANSWER" && name != "TMPDIR" &&
            name != "XDG_RUNTIME_DIR" && name != "PWD" && name != "DISPLAY" &&
            name != "WAYLAND_DISPLAY") {
            environment.push_back(entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string path = program.string();
    std::vector<std::string> arguments = options.arguments;
    std::vector<char*> argv = {path.data()};
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const std::string caller = (scratch_.path() / "caller").string();
    const std::string errors = (scratch_.path() / "stderr").string();

    child_ = options.onTerminal ? ::forkpty(&terminal_, nullptr, nullptr, nullptr) : ::fork();
    if (child_ == 0) {
        const int errorFd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (errorFd < 0 || ::dup2(errorFd, STDERR_FILENO) < 0 || ::chdir(caller.c_str()) != 0) {
            ::_exit(125);
        }
        if (image >= 0) {
            ::fexecve(image, argv.data(), envp.data());
        } else {
            ::execve(path.c_str(), argv.data(), envp.data());
        }
        ::_exit(126);
    }
    if (image >= 0) {
        ::close(image);
    }
    EXPECT_GT(child_, 0);
    return child_;
}

SetupOutcome SetupSandbox::Wait() {
    SetupOutcome outcome;
    int status = 0;
    if (child_ > 0 && ::waitpid(child_, &status, 0) == child_ && WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    }
    child_ = -1;
    if (terminal_ >= 0) {
        ::close(terminal_);
        terminal_ = -1;
    }
    outcome.errors = ReadText((scratch_.path() / "stderr").string());
    return outcome;
}

void SetupSandbox::Type(const std::string& keys) const {
    ASSERT_GE(terminal_, 0);
    ASSERT_EQ(::write(terminal_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
}

std::vector<std::string> SetupSandbox::TempFolderContents() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Temp())) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

}  // namespace packager::testing_support
