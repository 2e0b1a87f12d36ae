// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <thread>

namespace brelon {

/// \brief A thread that runs \a work beside the caller, where the platform
/// has threads. In the browser, which has none, no thread is started and
/// \a work is not run: whoever needs its results works them out instead.
std::thread startBeside(std::function<void()> work);

} // namespace brelon
