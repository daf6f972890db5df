// An environment variable of the test's process set (or unset) for one scope, and put back as it
// was afterwards.
#pragma once

#include <optional>
#include <string>

namespace vexo::test_support {

class ScopedVariable {
  public:
    ScopedVariable(std::string name, const std::optional<std::string>& value);
    ~ScopedVariable() { Set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    void Set(const std::optional<std::string>& value);

    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace vexo::test_support
