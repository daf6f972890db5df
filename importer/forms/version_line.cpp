#include "importer/forms/version_line.h"

namespace forms {

std::string VersionLine(std::string_view title, const importer::ProgramVersion& version) {
    std::string line(title);
    line += " v";
    line += std::to_string(version.major);
    line += '.';
    line += std::to_string(version.minor);
    line += '.';
    line += std::to_string(version.revision);
    return line;
}

std::string VersionLine() {
    return VersionLine(importer::kApplicationTitle, importer::kProgramVersion);
}

FontSpec VersionFont(double points) {
    return FontSpec{"Arial", points, true};
}

FontSpec FitVersionFont(std::string_view line, double innerWidth, const TextMeasurer& measurer) {
    // The limit is a single-precision product, as the window's own scale is.
    const double limit = static_cast<float>(innerWidth) * 0.9F;
    FontSpec font = VersionFont(kVersionFontLargest);
    while (measurer.TextWidth(line, font) > limit) {
        font.points -= 1;
        if (font.points < kVersionFontSmallest) {
            break;
        }
    }
    return font;
}

}  // namespace forms
