#include "importer/episode_labels.h"

#include <cstdio>

#include "importer/files/path.h"
#include "importer/files/text.h"

namespace importer {

std::string EpisodePath(std::string_view root, std::string_view show, std::string_view seasonFolder,
                        std::string_view fileNameOnDisk) {
    using basFiles::AddTrailing;
    using basFiles::kPathSeparator;
    return AddTrailing(root, kPathSeparator) + AddTrailing(show, kPathSeparator) +
           AddTrailing(seasonFolder, kPathSeparator) + std::string(fileNameOnDisk);
}

namespace {

constexpr char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string LocationKey(std::string_view location) {
    std::string key(basFiles::TrimBlanks(location));
    for (char& c : key) {
        c = UpperAscii(c);
    }
    return key;
}

bool HasLocationKey(std::string_view location, std::string_view key) {
    const std::string_view trimmed = basFiles::TrimBlanks(location);
    if (trimmed.size() != key.size()) {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (UpperAscii(trimmed[i]) != key[i]) {
            return false;
        }
    }
    return true;
}

std::string SortName(std::int32_t episodeNumber) {
    // The format "000" pads the digits, not the sign: -5 gives -005.
    const long long value = episodeNumber;
    char text[16];
    if (value < 0) {
        std::snprintf(text, sizeof text, "-%03lld", -value);
    } else {
        std::snprintf(text, sizeof text, "%03lld", value);
    }
    return text;
}

}  // namespace importer
