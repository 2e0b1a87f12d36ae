// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/core/decimal.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace brelon {

// For a C++ library that reads no floating-point number with from_chars (the
// browser's). The C library's strtod rounds every decimal correctly, as
// from_chars does. It reads a point as the C library's locale has it: the
// browser has the "C" locale only (the desktop's tests read under C.UTF-8).
std::from_chars_result readDecimal(const char* first, const char* last, double& value)
{
    const std::string text(first, last);
    char* end = nullptr;
    const double read = std::strtod(text.c_str(), &end);
    const char* ptr = first + (end - text.c_str());
    if (ptr == first)
        return { first, std::errc::invalid_argument };
    // strtod answers ±HUGE_VAL above the largest double and ±0 for what
    // rounds to zero; from_chars calls both out of range.
    const bool nonZero = text.find_first_of("123456789") < text.find_first_of("eE");
    if (std::isinf(read) || (read == 0 && nonZero))
        return { ptr, std::errc::result_out_of_range };
    value = read;
    return { ptr, std::errc() };
}

} // namespace brelon
