// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace brelon::bench {

/// \brief Starts the thread that never paints, before anything is painted:
/// the thread benchmarks run their arithmetic on it.
void startCleanThread();
/// \brief Ends it.
void endCleanThread();

} // namespace brelon::bench
