// Passes VEXOSetup's stop signals on to the setup program while it runs, so that the program
// ends and the folder it runs from can be removed. The started program's number is dropped
// before the program is reaped, so that a signal never reaches a process that took the number
// over later.
#pragma once

#include <sys/types.h>

#include <mutex>

namespace packager::posix {

class ChildSignalRelay {
  public:
    // A stop signal arrived. The running program receives it unless it has it already (the
    // terminal sent it to the whole group); one started later receives it on its start.
    void Forward(int signal, bool childHasIt);
    // The program was started; it may not have been reaped until Ended is called.
    void Started(pid_t child);
    void Ended();

  private:
    std::mutex mutex_;
    pid_t child_ = 0;  // guarded by mutex_
    int pending_ = 0;  // guarded by mutex_: the last signal, for a program started later
};

}  // namespace packager::posix
