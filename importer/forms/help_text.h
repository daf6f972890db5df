// What the Help window says: its caption and the paragraph above the two example pictures.
#pragma once

#include <string>
#include <string_view>

#include "importer/forms/text_measure.h"

namespace forms {

inline constexpr std::string_view kHelpCaption = "Help";

// lblHelp: white, bold, transparent, word-wrapped.
inline constexpr FontSpec kHelpLabelFont{"Microsoft Sans Serif", 10.2, true};

// The help paragraph: what the program does, how the show folders must be laid out, and the
// lead-in to the example pictures, its paragraphs separated by two CR LF pairs. The wording is
// the product's own, slips included.
std::string HelpText();

}  // namespace forms
