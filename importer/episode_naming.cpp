#include "importer/episode_naming.h"

#include <optional>

#include "importer/files/numbers.h"
#include "importer/files/text.h"

namespace importer {
namespace {

constexpr std::size_t kExtensionLength = 4;

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

bool IsEpisodeExtension(std::string_view extension) {
    return extension == ".MOV" || extension == ".M4V" || extension == ".MP4";
}

}  // namespace

std::string_view SkipReasonText(SkipReason reason) {
    switch (reason) {
        case SkipReason::kNoNumber:
            return "no number at the start";
        case SkipReason::kNoBlank:
            return "no blank after the number";
        case SkipReason::kWrongExtension:
            return "not an MP4, M4V or MOV file";
        case SkipReason::kNumberOutOfRange:
            return "number out of range";
    }
    return "";
}

std::variant<std::int32_t, SkipReason> SeasonNumber(std::string_view folderName) {
    const double leading = basFiles::LeadingNumber(folderName);
    if (leading >= 1) {
        const std::optional<std::int32_t> season = basFiles::RoundToLong(leading);
        if (!season) {
            return SkipReason::kNumberOutOfRange;
        }
        return *season;
    }
    // A word before the number is optional: "Season 1".
    const auto blank = folderName.find(' ');
    if (blank == std::string_view::npos) {
        return SkipReason::kNoNumber;
    }
    const std::optional<std::int32_t> season =
        basFiles::RoundToLong(basFiles::LeadingNumber(folderName.substr(blank + 1)));
    if (!season) {
        return SkipReason::kNumberOutOfRange;
    }
    if (*season <= 0) {
        return SkipReason::kNoNumber;
    }
    return *season;
}

std::variant<EpisodeName, SkipReason> ParseEpisodeFileName(std::string_view fileName) {
    if (!(basFiles::LeadingNumber(fileName) > 0)) {
        return SkipReason::kNoNumber;
    }
    const auto blank = fileName.find(' ');
    if (blank == std::string_view::npos) {
        return SkipReason::kNoBlank;
    }
    EpisodeName episode;
    episode.numberText = std::string(fileName.substr(0, blank));
    // The whole name's number decides acceptance, the text before the blank the episode: a
    // "0.5 Pilot.m4v" is accepted as episode 0.
    const std::optional<std::int32_t> number =
        basFiles::RoundToLong(basFiles::LeadingNumber(episode.numberText));
    if (!number) {
        return SkipReason::kNumberOutOfRange;
    }
    episode.number = *number;

    const std::string_view remainder = basFiles::TrimBlanks(fileName.substr(blank + 1));
    const std::size_t titleLength =
        remainder.size() > kExtensionLength ? remainder.size() - kExtensionLength : 0;
    episode.extension = UpperAscii(remainder.substr(titleLength));
    if (!IsEpisodeExtension(episode.extension)) {
        return SkipReason::kWrongExtension;
    }
    episode.title = std::string(remainder.substr(0, titleLength));
    return episode;
}

}  // namespace importer
