// SPDX-License-Identifier: GPL-3.0-or-later

// The benchmarks on a desktop, on the offscreen platform.

#include "bench/bench_threads.h"
#include "bench/scenebench.h"

#include <QByteArray>
#include <QtGlobal>

int main(int argc, char** argv)
{
    brelon::bench::startCleanThread();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int status = brelon::bench::run(argc, argv);
    brelon::bench::endCleanThread();
    return status;
}
