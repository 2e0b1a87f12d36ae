// SPDX-License-Identifier: GPL-3.0-or-later

#include "diffraction/beside.h"

namespace brelon {

std::thread startBeside(std::function<void()>&& /*work*/)
{
    // A page has no threads unless its server sends the headers that allow
    // shared memory, which a plain static host does not.
    return {};
}

} // namespace brelon
