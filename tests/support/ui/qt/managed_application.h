// A Qt test program's one QApplication on an X display of the program's own (Xvfb) that a real
// window manager (openbox) manages, so that its windows meet what they meet on a desktop.
#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "tests/support/private_display.h"

namespace vexo::test_support {

class ManagedApplication {
  public:
    // Starts the display and the manager, then the application on them (platform xcb).
    explicit ManagedApplication(const char* programName);
    ~ManagedApplication();
    ManagedApplication(const ManagedApplication&) = delete;
    ManagedApplication& operator=(const ManagedApplication&) = delete;

    // False when the display or its manager could not be started.
    bool Ok() const { return application_ != nullptr; }
    // For DISPLAY and the X tools: ":<number>".
    const std::string& DisplayName() const { return display_.Name(); }

  private:
    PrivateDisplay display_{PrivateDisplay::Manager::Openbox};
    std::string programName_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> application_;
};

}  // namespace vexo::test_support
