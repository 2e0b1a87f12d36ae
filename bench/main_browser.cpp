// SPDX-License-Identifier: GPL-3.0-or-later

// The benchmarks in a page (bench/web.js): the page is the platform.

#include "app/environment.h"
#include "bench/scenebench.h"

#include <cstdlib>

int main(int argc, char** argv)
{
    const int status = brelon::bench::run(argc, argv);
    // A page keeps the toolkit's program running after main(): end it, so
    // that the page hears the benchmarks are done.
    brelon::endProgram(status == 0 ? EXIT_SUCCESS : EXIT_FAILURE);
}
