// A program a test runs: started from an argument vector (no shell), its standard streams on
// pipes as asked, and killed and reaped when the test lets go of it early.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "common/posix/unique_fd.h"

namespace vexo::test_support {

class ChildProcess {
  public:
    enum class Output {
        kInherited,     // the test's own
        kToPipe,        // standard output on the pipe Read* read
        kErrorsToPipe,  // standard error on that pipe, standard output to /dev/null
    };
    struct Streams {
        bool input = false;  // standard input from a pipe Write writes
        Output output = Output::kInherited;
        // SIGINT, SIGTERM and SIGHUP at their defaults and nothing blocked, as a user's shell
        // hands them over, whatever the test runner set.
        bool defaultStopSignals = false;
    };

    ChildProcess(std::vector<std::string> argv, Streams streams);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    bool Write(const std::string& bytes);
    // Exactly size bytes of the pipe; false when it ends first.
    bool ReadExactly(std::size_t size);
    // The next line without its newline; false at the end of the output.
    bool ReadLine(std::string& line);
    // Everything left on the pipe, up to its end.
    std::string ReadAll();

    // Only the process started here: never a pid of 0 or -1, which would signal a whole group
    // or every process.
    void Signal(int signal);
    // The wait status of the ended process; -1 when there is none.
    int Wait();

  private:
    pid_t pid_ = -1;
    common::posix::UniqueFd input_;
    common::posix::UniqueFd output_;
};

}  // namespace vexo::test_support
