#pragma once
// Numbers written as text in .x files, read exactly (correctly rounded, whatever the
// locale) without allocating: the same values and the same acceptance as the C library's
// strtod reading the whole token, which is what the format's readers have always done.

#include <string_view>

namespace TextNumber {

// True when all of `text` is one number as strtod reads it: an optional sign, decimal
// digits with an optional point and exponent, a hexadecimal number ("0x1.8p3"), or an
// infinity or NaN spelled out; `value` then holds it.
bool Parse(std::string_view text, double& value);

} // namespace TextNumber
