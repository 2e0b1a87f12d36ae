// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/drawing/pause.h"

#include <emscripten.h>

namespace brelon {

void pause(std::chrono::nanoseconds duration)
{
    // The program is built with asyncify: the handler's stack is put aside,
    // the page runs its event loop for the duration (at least until its next
    // turn), and the stack is brought back.
    emscripten_sleep(unsigned(std::chrono::ceil<std::chrono::milliseconds>(duration).count()));
}

void letThePageRun()
{
    emscripten_sleep(0);
}

} // namespace brelon
