#include "importer/episode_labels.h"

#include <algorithm>
#include <cstdio>

#include "common/ascii_case.h"
#include "importer/files/text.h"

namespace importer {

std::string EpisodePath(std::string_view root, std::string_view show, std::string_view seasonFolder,
                        std::string_view fileNameOnDisk) {
    using basFiles::AddTrailing;
    using basFiles::kPathSeparator;
    return AddTrailing(root, kPathSeparator) + AddTrailing(show, kPathSeparator) +
           AddTrailing(seasonFolder, kPathSeparator) + std::string(fileNameOnDisk);
}

std::string LocationKey(std::string_view location, basFiles::FileNameRule rule) {
    if (rule == basFiles::FileNameRule::kExact) {
        return std::string(location);
    }
    std::string key(basFiles::TrimBlanks(location));
    for (char& c : key) {
        c = common::AsciiUpper(c);
    }
    return key;
}

bool HasLocationKey(std::string_view location, std::string_view key, basFiles::FileNameRule rule) {
    if (rule == basFiles::FileNameRule::kExact) {
        return location == key;
    }
    const std::string_view trimmed = basFiles::TrimBlanks(location);
    return trimmed.size() == key.size() &&
           std::equal(trimmed.begin(), trimmed.end(), key.begin(),
                      [](char c, char upper) { return common::AsciiUpper(c) == upper; });
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
