// Texts from files and databases shown on one terminal line each.
#pragma once

#include <string>
#include <string_view>

namespace vexo::cli {

// text with every control character shown as \xNN, so that it stays on one line.
std::string Printable(std::string_view text);

}  // namespace vexo::cli
