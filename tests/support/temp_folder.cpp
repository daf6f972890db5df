#include "tests/support/temp_folder.h"

#include <stdlib.h>

#include <random>
#include <system_error>

namespace vexo::test_support {

TempFolder::TempFolder(std::string_view prefix) {
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) {
        return;
    }
#ifdef _WIN32
    // Without mkdtemp: a random name, taken only when creating it made it ours.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
        const std::filesystem::path candidate =
            temp / (std::string(prefix) + "-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate, error)) {
            root_ = candidate.string();
        }
    }
#else
    // Without links on the way, so that paths the programs under test resolve compare equal.
    std::string pattern = (temp / (std::string(prefix) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) != nullptr) {
        root_ = std::filesystem::canonical(pattern, error).string();
    }
#endif
}

TempFolder::~TempFolder() {
    if (root_.empty()) {
        return;
    }
    // A test may have taken the owner's rights away to make something unreadable.
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(
             root_, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(root_, ignored);
}

}  // namespace vexo::test_support
