// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>

namespace brelon {

/// \brief Waits \a duration while a handler runs, and gives the system its
/// turn. On a desktop the thread sleeps (none at all for zero). In the
/// browser the page takes its turn, for zero too: it paints what was
/// presented and takes what the user does into the toolkit's queue, and the
/// handler goes on where it stopped.
void pause(std::chrono::nanoseconds duration);

} // namespace brelon
