// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace brelon {

/// \brief Marks the upper halves of the vector registers as unused
/// (`vzeroupper`), on CPUs that have them; elsewhere it does nothing.
///
/// The toolkit's raster code uses wide vector instructions and may return with
/// those upper halves in use. On some CPUs every legacy-SSE instruction, which
/// is all our double arithmetic compiles to, then pays a transition penalty
/// (the chains of a scan ran six times slower). Call it after the toolkit has
/// painted and when a thread that does scene arithmetic starts; the state is
/// per thread, and a new thread inherits it from the one that starts it.
void clearUpperVectorState();

} // namespace brelon
