// Helpers of the version reader's tests: a private temporary folder and a version resource
// description that most tests start from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tools/pewriter/pe_image.h"
#include "tools/pewriter/version_resource.h"

namespace basFiles::testing_support {

// A temporary folder that version resources are written into.
class ScopedTempFolder : public vexo::test_support::TempFolder {
  public:
    ScopedTempFolder() : vexo::test_support::TempFolder("vexo-version-reader") {
        EXPECT_TRUE(Ok()) << "no temporary folder could be made";
    }

    std::filesystem::path Path() const { return path(); }

    // Writes a file into the folder and gives its path.
    std::string Write(const std::string& name, std::span<const std::uint8_t> bytes) const {
        const auto file = path() / name;
        EXPECT_TRUE(pewriter::WriteFileBytes(file, bytes)) << file;
        return file.string();
    }
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
