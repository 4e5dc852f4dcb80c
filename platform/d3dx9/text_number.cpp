#include "platform/d3dx9/text_number.h"

#include <fast_float/fast_float.h>

#include <cstdlib>
#include <string>

namespace {

bool StartsHexadecimal(std::string_view digits) {
    return digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
}

} // namespace

namespace TextNumber {

bool Parse(std::string_view text, double& value) {
    // fast_float reads what std::from_chars reads: no leading '+' and no hexadecimal
    // floats. strtod takes both, so a '+' is stepped over here and the rare hexadecimal
    // token goes to strtod itself.
    std::string_view unsigned_ = text;
    if (!unsigned_.empty() && (unsigned_[0] == '+' || unsigned_[0] == '-')) {
        unsigned_.remove_prefix(1);
    }
    if (unsigned_.empty() || unsigned_[0] == '+' || unsigned_[0] == '-') {
        return false;
    }
    if (StartsHexadecimal(unsigned_)) {
        const std::string copy(text);
        char* end = nullptr;
        value = std::strtod(copy.c_str(), &end);
        return end == copy.c_str() + copy.size();
    }
    const char* first = text[0] == '+' ? text.data() + 1 : text.data();
    const char* last = text.data() + text.size();
    double parsed = 0;
    const auto result = fast_float::from_chars(first, last, parsed);
    if (result.ec != std::errc() || result.ptr != last) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace TextNumber
