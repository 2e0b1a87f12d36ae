// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace brelon {

/// \brief The decrements a slowdown count-down of \a count makes: none for a
/// count of 0 or below, a fractional count rounded up (the count-down stops
/// at the first value that is not above zero).
///
/// Counts above the 16-bit range raise the overflow error: the slowdown bar
/// gives at most 30001, and a larger count would stretch a scan past the 40
/// seconds a class can be asked to wait. A count that is not a number raises
/// the invalid-result error.
long long countDownSteps(double count);

} // namespace brelon
