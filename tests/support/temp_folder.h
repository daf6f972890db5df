// A private folder under the system's temporary folder (TMPDIR honoured) for one test, removed
// with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vexo::test_support {

class TempFolder {
  public:
    explicit TempFolder(std::string_view prefix = "vexo");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Ok() const { return !root_.empty(); }
    const std::string& Root() const { return root_; }
    std::filesystem::path path() const { return root_; }
    std::string operator/(std::string_view relative) const {
        return root_ + "/" + std::string(relative);
    }

  private:
    std::string root_;
};

}  // namespace vexo::test_support
