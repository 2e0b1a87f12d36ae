// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/core/vectorstate.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace brelon {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

namespace {

// Compiled for AVX and run only where the CPU (and the system) has it: the
// package runs on any x86-64.
__attribute__((target("avx"))) void zeroUpper()
{
    _mm256_zeroupper();
}

} // namespace

void clearUpperVectorState()
{
    if (__builtin_cpu_supports("avx"))
        zeroUpper();
}

#else

// Other processors have no such penalty; a compiler without these built-ins
// leaves the state as it is, which is correct, only slower on those CPUs.
void clearUpperVectorState() { }

#endif

} // namespace brelon
