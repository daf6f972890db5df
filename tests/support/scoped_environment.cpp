#include "tests/support/scoped_environment.h"

#include <stdlib.h>

#include <cstdlib>

namespace vexo::test_support {

ScopedVariable::ScopedVariable(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        old_ = old;
    }
    Set(value);
}

void ScopedVariable::Set(const std::optional<std::string>& value) {
#ifdef _WIN32
    // The C library passes the change on to the process environment, where the Windows
    // functions read it; the empty value removes the variable.
    _putenv_s(name_.c_str(), value ? value->c_str() : "");
#else
    if (value) {
        setenv(name_.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
#endif
}

}  // namespace vexo::test_support
