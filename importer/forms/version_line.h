// The line the About window writes over its picture: the program's title and version, in the
// largest bold Arial size (28 points down) that keeps it within 90 % of the window's width.
#pragma once

#include <string>
#include <string_view>

#include "importer/application_info.h"
#include "importer/forms/text_measure.h"

namespace forms {

inline constexpr double kVersionFontLargest = 28;
// The fitting stops once the size has dropped below this, so the smallest size it gives is
// one point less.
inline constexpr double kVersionFontSmallest = 9;

// title, " v" and major.minor.revision, each number in plain decimal; unlike the main window's
// caption, the revision is shown.
std::string VersionLine(std::string_view title, const importer::ProgramVersion& version);
std::string VersionLine();

FontSpec VersionFont(double points);

// The version line's font for a window whose inner width is innerWidth, in the measurer's
// unit: from the largest size, one point smaller while the line is wider than 90 % of it (a
// single-precision limit), giving up below the smallest size.
FontSpec FitVersionFont(std::string_view line, double innerWidth, const TextMeasurer& measurer);

}  // namespace forms
