#include "importer/registry/placement_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "importer/files/numbers.h"
#include "importer/files/text.h"

namespace registry {

std::string FormatTwips(float value) {
    if (value == 0.0f) {
        value = 0.0f;  // a negative zero is written as "0"
    }
    // The longest fixed form of a float (the smallest subnormal) has under 60 characters.
    char buffer[128];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error != std::errc()) {
        return "0";
    }
    return std::string(buffer, end);
}

std::optional<std::vector<float>> SplitPlacementText(std::string_view text, std::size_t count) {
    const auto toSingle = [](std::string_view field) -> std::optional<float> {
        const double number = basFiles::LeadingNumber(field);
        // Moving a window to an infinite place helps nobody; such a text counts as unusable.
        if (!(std::fabs(number) <= std::numeric_limits<float>::max())) {
            return std::nullopt;
        }
        return static_cast<float>(number);
    };

    std::vector<float> numbers;
    std::string_view rest = basFiles::TrimBlanks(text);
    for (std::size_t field = 0; field < count; ++field) {
        std::string_view current = rest;
        if (field + 1 < count) {
            const auto blank = rest.find(' ');
            if (blank == std::string_view::npos) {
                return std::nullopt;
            }
            current = basFiles::TrimBlanks(rest.substr(0, blank));
            rest = basFiles::TrimBlanks(rest.substr(blank + 1));
        }
        const auto number = toSingle(current);
        if (!number) {
            return std::nullopt;
        }
        numbers.push_back(*number);
    }
    return numbers;
}

void ScreenFit(float& left, float& top, float width, float height, float screenWidth,
               float screenHeight) {
    // Named single-precision intermediates keep the sums at float precision, as the stored
    // numbers and the window's own are.
    const float right = left + width;
    if (right > screenWidth) {
        left = screenWidth - width;
    }
    const float bottom = top + height;
    if (bottom > screenHeight) {
        top = screenHeight - height;
    }
    if (left < 0.0f) {
        left = 0.0f;
    }
    if (top < 0.0f) {
        top = 0.0f;
    }
}

}  // namespace registry
