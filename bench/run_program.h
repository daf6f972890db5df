// Starts another program from a benchmark and waits for it: spawned with an argument vector,
// never through a shell, so that no path or name is read as shell syntax.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace vexo::bench {

struct ProgramEnd {
    int startError = 0;             // why it could not be started (ENOENT: no such program)
    std::optional<int> exitStatus;  // when it started and exited
};

// Runs arguments[0] (looked up on PATH when it names no folder) with arguments, its input empty,
// its output into outFile and its errors into errFile; an empty errFile leaves them on ours.
inline ProgramEnd RunProgram(const std::vector<std::string>& arguments,
                             const std::string& outFile = "/dev/null",
                             const std::string& errFile = {}) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!errFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    ProgramEnd end;
    pid_t child = 0;
    end.startError = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (end.startError == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        end.exitStatus = WEXITSTATUS(status);
    }
    return end;
}

}  // namespace vexo::bench
