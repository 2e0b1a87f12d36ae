// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <thread>

namespace brelon {

/// \brief Starts \a work on a thread beside the caller, where the platform
/// has threads (beside_thread.cpp). In the browser, which has none
/// (beside_none.cpp), no thread is started and \a work is not run: whoever
/// needs its results works them out instead.
std::thread startBeside(std::function<void()>&& work);

/// \brief How work beside the caller is started: startBeside, or none
/// (nullptr) to work out everything on the caller's thread, as the browser
/// does.
using StartBeside = std::thread (*)(std::function<void()>&&);

} // namespace brelon
