// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <charconv>

namespace brelon {

/// \brief Reads the decimal number in [\a first, \a last) (a sign, digits, a
/// point, an exponent; nothing else) into \a value, rounded to the nearest
/// double, as std::from_chars does: result_out_of_range, \a value untouched,
/// when it lies beyond the largest double or rounds to zero from a non-zero
/// number; invalid_argument when it is not a number.
///
/// Each platform has its file: std::from_chars (decimal_fromchars.cpp), or
/// where the C++ library has none for floating point, as in the browser, the
/// C library's strtod (decimal_strtod.cpp). The number tests run with both.
std::from_chars_result readDecimal(const char* first, const char* last, double& value);

} // namespace brelon
