#include "importer/files/version_info.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

#include "common/byte_order.h"

namespace basFiles {
namespace {

constexpr std::string_view kStringFileInfo = "\\StringFileInfo\\";
constexpr std::string_view kTranslation = "\\VarFileInfo\\Translation";

std::string JoinParts(const std::array<std::int32_t, 4>& parts) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i != 0) {
            text += ',';
        }
        text += std::to_string(parts[i]);
    }
    return text;
}

// Stores the digit buffer's value; false when it does not fit a signed 32-bit integer.
bool StoreDigits(std::string_view digits, std::int32_t& target) {
    std::int64_t value = 0;
    for (char digit : digits) {
        value = value * 10 + (digit - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return false;
        }
    }
    target = static_cast<std::int32_t>(value);
    return true;
}

}  // namespace

std::vector<std::pair<std::string_view, std::string>> RecordFields(const FileVersionRecord& r) {
    return {
        {"CompanyName", r.CompanyName},
        {"FileDescription", r.FileDescription},
        {"FileVersion", r.FileVersion},
        {"FileVersionParts", JoinParts(r.FileVersionParts)},
        {"InternalName", r.InternalName},
        {"LegalCopyright", r.LegalCopyright},
        {"OriginalFilename", r.OriginalFilename},
        {"ProductName", r.ProductName},
        {"ProductVersion", r.ProductVersion},
        {"ProductVersionParts", JoinParts(r.ProductVersionParts)},
        {"Comments", r.Comments},
        {"LegalTrademarks", r.LegalTrademarks},
        {"PrivateBuild", r.PrivateBuild},
        {"SpecialBuild", r.SpecialBuild},
    };
}

std::string Hex4(std::uint32_t value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "0000%X", static_cast<unsigned>(value));
    const std::string text(digits);
    return text.substr(text.size() - 4);
}

bool ParseVersionNumbers(std::string_view text, std::span<std::int32_t> numbers) {
    if (numbers.empty()) {
        return true;
    }
    std::fill(numbers.begin(), numbers.end(), 0);
    std::size_t index = 0;
    std::string digits;
    for (char c : text) {
        if (c == '.' || c == ',') {
            if (!StoreDigits(digits, numbers[index])) {
                return false;
            }
            digits.clear();
            if (++index == numbers.size()) {
                return true;  // the rest of the text is ignored
            }
        } else if (c >= '0' && c <= '9') {
            // Leading zeros add nothing; dropping them keeps "000...07" from looking too long.
            if (!(digits.empty() && c == '0')) {
                digits += c;
            }
        }
    }
    return StoreDigits(digits, numbers[index]);
}

void GetVersionTranslation(VersionInfoApi& api, std::span<const std::uint8_t> block,
                           std::string& languageCodePage) {
    languageCodePage.clear();
    const std::optional<std::string> table = api.VerQueryValue(block, kTranslation);
    if (!table || table->size() < 4) {
        return;
    }
    // Further entries are ignored.
    const auto* entry = reinterpret_cast<const std::uint8_t*>(table->data());
    languageCodePage = Hex4(common::LoadLe16(entry)) + Hex4(common::LoadLe16(entry + 2));
}

bool QueryVersionString(VersionInfoApi& api, std::span<const std::uint8_t> block,
                        std::string_view address, std::string& value) {
    std::optional<std::string> found = api.VerQueryValue(block, address);
    if (!found) {
        value.clear();
        return false;
    }
    value = std::move(*found);
    if (const auto nul = value.find('\0'); nul != std::string::npos) {
        value.resize(nul);
    }
    return true;
}

bool ReadFileVersionInfo(VersionInfoApi& api, std::string_view path, FileVersionRecord& record) {
    const std::uint32_t size = api.GetFileVersionInfoSize(path);
    if (size == 0) {
        return false;
    }
    std::vector<std::uint8_t> block(static_cast<std::size_t>(size) + 1);
    if (!api.GetFileVersionInfo(path, std::span(block).first(size))) {
        return false;
    }

    std::string languageCodePage;
    GetVersionTranslation(api, block, languageCodePage);
    if (languageCodePage.empty()) {
        languageCodePage = Hex4(api.GetSystemDefaultLangID()) + Hex4(api.GetACP());
    }
    const std::string table = std::string(kStringFileInfo) + languageCodePage;
    auto text = [&](std::string_view key) {
        std::string value;
        QueryVersionString(api, block, table + "\\" + std::string(key), value);
        return value;
    };

    // Filled aside, so that a version number too large for its field leaves the caller's
    // record as it was instead of half overwritten.
    FileVersionRecord read;
    read.CompanyName = text("CompanyName");
    read.FileDescription = text("FileDescription");
    read.FileVersion = text("FileVersion");
    if (!ParseVersionNumbers(read.FileVersion, read.FileVersionParts)) {
        return false;
    }
    read.InternalName = text("InternalName");
    read.LegalCopyright = text("LegalCopyright");
    read.OriginalFilename = text("OriginalFilename");
    read.ProductName = text("ProductName");
    read.ProductVersion = text("ProductVersion");
    if (!ParseVersionNumbers(read.ProductVersion, read.ProductVersionParts)) {
        return false;
    }
    read.Comments = text("Comments");
    read.LegalTrademarks = text("LegalTrademarks");
    read.PrivateBuild = text("PrivateBuild");
    read.SpecialBuild = text("SpecialBuild");
    record = std::move(read);
    return true;
}

bool ReadFileVersionInfo(std::string_view path, FileVersionRecord& record) {
    return ReadFileVersionInfo(SystemVersionInfoApi(), path, record);
}

}  // namespace basFiles
