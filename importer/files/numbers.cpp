#include "importer/files/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace basFiles {
namespace {

bool IsIgnored(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int DigitValue(char c, int radix) {
    int value = -1;
    if (IsDigit(c)) {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < radix ? value : -1;
}

// The text with every ignored character taken out, so that "1 2" reads as "12".
std::string WithoutIgnored(std::string_view text) {
    std::string packed;
    packed.reserve(text.size());
    for (char c : text) {
        if (!IsIgnored(c)) {
            packed += c;
        }
    }
    return packed;
}

double ReadRadixInteger(std::string_view digits, int radix) {
    double value = 0;
    for (char c : digits) {
        const int digit = DigitValue(c, radix);
        if (digit < 0) {
            break;
        }
        value = value * radix + digit;
    }
    return value;
}

std::string_view TakeDigits(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
    }
    return text.substr(start, pos - start);
}

double ReadDecimal(std::string_view text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::string_view whole = TakeDigits(text, pos);
    std::string_view fraction;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        fraction = TakeDigits(text, pos);
    }
    if (whole.empty() && fraction.empty()) {
        return 0;
    }

    // from_chars knows neither a leading "+" nor the "D" exponent, so the number is
    // rewritten in the one form it reads.
    std::string normal(whole.empty() ? "0" : whole);
    if (!fraction.empty()) {
        normal += '.';
        normal += fraction;
    }
    bool negativeExponent = false;
    if (pos < text.size() &&
        (text[pos] == 'E' || text[pos] == 'e' || text[pos] == 'D' || text[pos] == 'd')) {
        std::size_t exponentPos = pos + 1;
        std::string sign;
        if (exponentPos < text.size() && (text[exponentPos] == '+' || text[exponentPos] == '-')) {
            negativeExponent = text[exponentPos] == '-';
            sign = text[exponentPos];
            ++exponentPos;
        }
        const std::string_view exponent = TakeDigits(text, exponentPos);
        if (!exponent.empty()) {  // "1E" alone is 1: the exponent is not complete
            normal += 'e';
            normal += sign;
            normal += exponent;
        }
    }

    double value = 0;
    const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (error == std::errc::result_out_of_range) {
        const bool zeroMantissa = normal.find_first_of("123456789") > normal.find('e');
        value = negativeExponent || zeroMantissa ? 0.0 : std::numeric_limits<double>::infinity();
    }
    (void)end;
    return negative ? -value : value;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    const std::string packed = WithoutIgnored(text);
    const std::string_view view(packed);
    if (view.size() >= 2 && view[0] == '&') {
        if (view[1] == 'H' || view[1] == 'h') {
            return ReadRadixInteger(view.substr(2), 16);
        }
        if (view[1] == 'O' || view[1] == 'o') {
            return ReadRadixInteger(view.substr(2), 8);
        }
    }
    return ReadDecimal(view);
}

std::optional<std::int32_t> RoundToLong(double value) {
    if (std::isnan(value)) {
        return std::nullopt;
    }
    const double floor = std::floor(value);
    const double remainder = value - floor;
    double rounded = floor;
    if (remainder > 0.5 || (remainder == 0.5 && std::fmod(floor, 2.0) != 0.0)) {
        rounded = floor + 1.0;
    }
    constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
    if (!(rounded >= kLowest && rounded <= kHighest)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

}  // namespace basFiles
