// SPDX-License-Identifier: GPL-3.0-or-later

#include "diffraction/beside.h"

namespace brelon {

std::thread startBeside(std::function<void()>&& work)
{
    return std::thread(std::move(work));
}

} // namespace brelon
