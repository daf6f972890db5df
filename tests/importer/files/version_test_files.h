// Helpers of the version reader's tests: a private temporary folder and a version resource
// description that most tests start from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "importer/itunes/library/pe_image.h"
#include "importer/itunes/library/version_resource.h"
#include "tests/support/temp_folder.h"

namespace basFiles::testing_support {

// A temporary folder that version resources are written into.
class ScopedTempFolder : public vexo::test_support::TempFolder {
  public:
    ScopedTempFolder() : vexo::test_support::TempFolder("vexo-version-reader") {
        EXPECT_TRUE(Ok()) << "no temporary folder could be made";
    }

    // Writes a file into the folder and gives its path.
    std::string Write(const std::string& name, std::span<const std::uint8_t> bytes) const {
        const auto file = path() / name;
        EXPECT_TRUE(itunes::library::WriteFileBytes(file, bytes)) << file;
        return file.string();
    }
};

inline itunes::library::StringTable UsEnglishTable() {
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
inline itunes::library::VersionInfo TypicalVersionInfo() {
    itunes::library::VersionInfo info;
    info.fixedInfo = itunes::library::FixedFileInfo{};
    info.fixedInfo->fileVersion = {7, 1, 0, 59};
    info.fixedInfo->productVersion = {8, 0, 0, 0};
    info.stringTables.push_back(UsEnglishTable());
    info.translations = std::vector<itunes::library::Translation>{{0x0409, 0x04B0}};
    return info;
}

}  // namespace basFiles::testing_support
