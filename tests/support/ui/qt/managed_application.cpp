#include "tests/support/ui/qt/managed_application.h"

#include <cstdlib>

namespace vexo::test_support {

ManagedApplication::ManagedApplication(const char* programName) : programName_(programName) {
    if (!display_.Ok()) {
        return;
    }
    ::setenv("DISPLAY", display_.Name().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    argv_[0] = programName_.data();
    application_ = std::make_unique<QApplication>(argc_, argv_);
}

// The application goes before the display it is connected to.
ManagedApplication::~ManagedApplication() {
    application_.reset();
}

}  // namespace vexo::test_support
