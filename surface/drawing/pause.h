// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>

namespace brelon {

/// \brief Waits \a duration while a handler runs. On a desktop the thread
/// sleeps (pause_sleep.cpp), none at all for zero. In the browser the page
/// takes its turn for the duration, at least until its next frame
/// (pause_pageturn.cpp): it paints what was presented and takes what the
/// user does into the toolkit's queue, and the handler goes on where it
/// stopped.
void pause(std::chrono::nanoseconds duration);

/// \brief Lets the page run once while a handler runs: in the browser a
/// presented frame reaches the screen, and what the user does the toolkit,
/// only in the page's turn. On a desktop there is no page, and it does
/// nothing.
void letThePageRun();

} // namespace brelon
