// Helpers of the version reader's tests: a private temporary folder and a version resource
// description that most tests start from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "tools/pewriter/pe_image.h"
#include "tools/pewriter/version_resource.h"

namespace basFiles::testing_support {

// A new folder under the system's temporary folder, removed with its contents at the end.
class ScopedTempFolder {
  public:
    ScopedTempFolder() {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            auto candidate = base / ("vexo-version-reader-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                path_ = candidate;
            }
        }
        EXPECT_FALSE(path_.empty()) << "no temporary folder could be made";
    }
    ~ScopedTempFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Writes a file into the folder and gives its path.
    std::string Write(const std::string& name, std::span<const std::uint8_t> bytes) const {
        const auto file = path_ / name;
        EXPECT_TRUE(pewriter::WriteFileBytes(file, bytes)) << file;
        return file.string();
    }

  private:
    std::filesystem::path path_;
};

inline pewriter::StringTable UsEnglishTable() {
    return {"040904B0",
            {{"CompanyName", "Vexo"},
             {"FileDescription", "Stand-in"},
             {"FileVersion", "7.1.0.59"},
             {"InternalName", "standin"},
             {"LegalCopyright", "(C) Vexo"},
             {"OriginalFilename", "standin.exe"},
             {"ProductName", "Stand-in"},
             {"ProductVersion", "8.0"},
             {"Comments", "none"},
             {"LegalTrademarks", "TM"},
             {"PrivateBuild", "private"},
             {"SpecialBuild", "special"}}};
}

// Fixed information, the table above and a translation naming it.
inline pewriter::VersionInfo TypicalVersionInfo() {
    pewriter::VersionInfo info;
    info.fixedInfo = pewriter::FixedFileInfo{};
    info.fixedInfo->fileVersion = {7, 1, 0, 59};
    info.fixedInfo->productVersion = {8, 0, 0, 0};
    info.stringTables.push_back(UsEnglishTable());
    info.translations = std::vector<pewriter::Translation>{{0x0409, 0x04B0}};
    return info;
}

}  // namespace basFiles::testing_support
