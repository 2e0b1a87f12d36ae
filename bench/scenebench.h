// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the benchmarks of every platform share (bench_scene.cpp) with those
// of a platform with threads (bench_threads.cpp) and each platform's main()
// (main_desktop.cpp, main_browser.cpp).

namespace brelon::bench {

/// \brief 1 when the upper halves of the vector registers are in use on this
/// thread (the state that slows legacy-SSE code on some CPUs), 0 when not,
/// -1 when the CPU cannot tell.
double upperHalvesInUse();

/// \brief The chains of a whole 20-opening scan at the frequency 15, without
/// drawing: the sum of their ends' x.
double chainsOfAScan();

/// \brief Runs the benchmarks the arguments choose in an application of its
/// own, with the program's window shown for those that need it.
int run(int& argc, char** argv);

} // namespace brelon::bench
