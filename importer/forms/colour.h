// A colour of 8-bit red, green and blue components, as the windows draw them.
#pragma once

#include <cstdint>

namespace forms {

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Colour&, const Colour&) = default;
};

}  // namespace forms
