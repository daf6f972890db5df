// How the import reads season numbers from season folder names and episode numbers, titles
// and extensions from file names. Pure functions: the walk decides what to do with them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace importer {

// Why a season folder or an episode file is passed over; the headless importer explains
// every skip with it.
enum class SkipReason {
    kNoNumber,          // the name does not start with a number above 0
    kNoBlank,           // no blank separates the number from the rest
    kWrongExtension,    // not .MP4, .M4V or .MOV
    kNumberOutOfRange,  // the number does not fit a signed 32-bit integer
};

std::string_view SkipReasonText(SkipReason reason);

// The season number of a season folder: the folder name's leading number when it is at
// least 1 ("01", "2 (2006)", "1.5"), else the leading number of the text after its first
// blank when that is above 0 ("Season 01", "Disc 2 Season 3" gives 2). Any other folder
// ("Specials", "Season1", "S01", "Season 0") has no season number.
std::variant<std::int32_t, SkipReason> SeasonNumber(std::string_view folderName);

struct EpisodeName {
    std::string numberText;  // before the first blank, exactly as written ("01")
    std::int32_t number = 0;
    std::string title;      // between the blanks after the number and the extension
    std::string extension;  // the last four characters, upper-cased: ".MP4", ".M4V" or ".MOV"

    bool operator==(const EpisodeName&) const = default;
};

// "01 Pilot.m4v" gives 01, 1, "Pilot", ".M4V". The file name must start with a number above
// 0 and carry a blank after it; only MP4, M4V and MOV files are episodes (any case).
std::variant<EpisodeName, SkipReason> ParseEpisodeFileName(std::string_view fileName);

}  // namespace importer
