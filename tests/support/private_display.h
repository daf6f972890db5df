// An X display of a test's own (Xvfb), optionally managed by a real window manager (openbox),
// so that a program's window meets what it meets on a desktop, and the display can be lost.
#pragma once

#include <sys/types.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace vexo::test_support {

class PrivateDisplay {
  public:
    enum class Manager { None, Openbox };

    // Starts the server on a free display number, a 1024 x 768 screen, and waits until it
    // (and the manager) are ready. Ok() is false when either could not be started.
    explicit PrivateDisplay(Manager manager = Manager::None);
    // Ends both.
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool Ok() const { return !name_.empty(); }
    // For DISPLAY: ":<number>".
    const std::string& Name() const { return name_; }
    // Ends the server at once, as one that crashed: every client loses its connection.
    void Lose();

  private:
    TempFolder scratch_{"vexo-display"};
    pid_t server_ = -1;
    pid_t manager_ = -1;
    std::string name_;
};

}  // namespace vexo::test_support
