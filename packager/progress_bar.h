// What the progress bar shows for a percentage, on any window system: the bar is a sunken frame
// filled with the button-face colour; above 0 the number is drawn centred as "%3lu%%" (blanks
// pad it to three characters), and the filled part - the share of the width, rounded down - is
// drawn inverted, the part of the number inside it included. 0 shows an empty frame.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace packager {

inline constexpr std::uint32_t kFullPercent = 100;

struct ProgressBarPicture {
    std::uint32_t percent = 0;    // as drawn, at most 100
    int filledWidth = 0;          // pixels from the left edge that are inverted
    std::array<char, 5> label{};  // NUL-terminated; empty at 0

    std::string_view Label() const { return label.data(); }
};

ProgressBarPicture DrawProgressBar(std::uint32_t percent, int barWidth);

}  // namespace packager
