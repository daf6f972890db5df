// The file version reader of basFiles: the twelve standard texts of a file's version resource
// and the four numbers of its file and product versions, taken from the texts (the fixed
// binary version block is never consulted).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "importer/files/version_api.h"

namespace basFiles {

struct FileVersionRecord {
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::array<std::int32_t, 4> FileVersionParts{};
    std::string InternalName;
    std::string LegalCopyright;
    std::string OriginalFilename;
    std::string ProductName;
    std::string ProductVersion;
    std::array<std::int32_t, 4> ProductVersionParts{};
    std::string Comments;
    std::string LegalTrademarks;
    std::string PrivateBuild;
    std::string SpecialBuild;

    bool operator==(const FileVersionRecord&) const = default;
};

// The record's fields in their order as (name, value) pairs; number arrays as "7,1,0,59".
std::vector<std::pair<std::string_view, std::string>> RecordFields(const FileVersionRecord& record);

// "0000" followed by value in upper-case hexadecimal, of which the last four characters remain.
std::string Hex4(std::uint32_t value);

// True when the file's version data could be read; record is then filled. On false the record
// is left exactly as it was: a missing file, no version resource, or a version number that
// does not fit a signed 32-bit integer.
bool ReadFileVersionInfo(std::string_view path, FileVersionRecord& record);
bool ReadFileVersionInfo(VersionInfoApi& api, std::string_view path, FileVersionRecord& record);

// The LanguageCodePage text (8 upper-case hex digits) of the block's first translation entry,
// or "" when the block has no translation table of at least one entry.
void GetVersionTranslation(VersionInfoApi& api, std::span<const std::uint8_t> block,
                           std::string& languageCodePage);

// The text at address cut at its first NUL; false (and "") when there is no such value.
bool QueryVersionString(VersionInfoApi& api, std::span<const std::uint8_t> block,
                        std::string_view address, std::string& value);

// Splits a version text at "." and "," into numbers (other characters are skipped), storing
// at most numbers.size() of them after setting all to 0. An empty span is left alone. False
// when a number does not fit a signed 32-bit integer; the numbers are then unspecified.
bool ParseVersionNumbers(std::string_view text, std::span<std::int32_t> numbers);

}  // namespace basFiles
