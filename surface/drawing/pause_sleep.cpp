// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/drawing/pause.h"

#include <thread>

namespace brelon {

void pause(std::chrono::nanoseconds duration)
{
    std::this_thread::sleep_for(duration);
}

void letThePageRun() { }

} // namespace brelon
