// A folder of the test's own under the test temporary folder, removed with everything in it when
// the test ends.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace packager::testing_support {

class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = ::testing::TempDir() + "vexo-setup-test-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = std::filesystem::canonical(pattern);
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace packager::testing_support
