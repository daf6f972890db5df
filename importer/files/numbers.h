// Number conversions shared by the import and the version reader: reading the number at the
// start of a name, and rounding a real to a signed 32-bit integer.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace basFiles {

// The value of the number at the start of text, as a real. Blanks, tabs and line feeds are
// ignored wherever they stand; then an optional sign, digits, an optional "." with digits and
// an optional exponent (E or D in either case, optional sign, digits) are read up to the first
// character that does not fit. "&H" or "&O" at the start read a hexadecimal or octal integer
// instead. The decimal separator is always "." whatever the locale. A text that does not
// start with a number gives 0. A value too large for a double gives an infinity, which
// RoundToLong then reports as an overflow.
double LeadingNumber(std::string_view text);

// The nearest signed 32-bit integer, halves to the even neighbour. std::nullopt reports an
// overflow: the value (or a NaN) lies outside -2147483648 .. 2147483647 once rounded.
std::optional<std::int32_t> RoundToLong(double value);

}  // namespace basFiles
