// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/core/countdown.h"

#include "surface/core/errors.h"

#include <cmath>

namespace brelon {

long long countDownSteps(double count)
{
    constexpr double largest = int16Max;
    if (count != count)
        raise(ErrorKind::Invalid);
    if (count > largest)
        raise(ErrorKind::Overflow, QStringLiteral("zpomalení %1").arg(count));
    if (count <= 0)
        return 0;
    return static_cast<long long>(std::ceil(count));
}

} // namespace brelon
