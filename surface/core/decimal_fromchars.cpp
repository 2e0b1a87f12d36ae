// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/core/decimal.h"

namespace brelon {

std::from_chars_result readDecimal(const char* first, const char* last, double& value)
{
    return std::from_chars(first, last, value);
}

} // namespace brelon
