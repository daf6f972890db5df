#include "importer/forms/help_text.h"

#include "importer/application_info.h"

namespace forms {
namespace {

constexpr std::string_view kGreeting = "Thank for for using ";
constexpr std::string_view kPurpose =
    ". This program will import video files into iTunes 7.1 (or later) and will "
    "properly label and categorize the files as TV shows. Duplicate and invalid files "
    "will be ignored by iTunes, so there's no harm in re-importing TV shows.";
constexpr std::string_view kPreparation =
    "A little prep work must be done first, however. All TV shows will need to be "
    "MP4, M4V, or MOV files. Each show needs to have it's own folder. In each show "
    "folder, the shows need to be sorted by season. The word 'Season' is optional; "
    "the season number is sufficient. Each TV Show needs the episode number to "
    "precede it's title. Leading '0's are not necessary, but recommended.";
constexpr std::string_view kExampleLead = "Here is an example:";
constexpr std::string_view kParagraphBreak = "\r\n\r\n";

}  // namespace

std::string HelpText() {
    std::string text(kGreeting);
    text += importer::kApplicationTitle;
    text += kPurpose;
    text += kParagraphBreak;
    text += kPreparation;
    text += kParagraphBreak;
    text += kExampleLead;
    return text;
}

}  // namespace forms
