// SPDX-License-Identifier: GPL-3.0-or-later

// The arithmetic on a thread that never painted, where the platform has
// threads: the chains of a scan next to those of the painting thread
// (bench_scene.cpp), whose ratio shows a register-state penalty after
// painting on the CPUs that have one, and the arithmetic's bare floor.

#include "bench/bench_threads.h"

#include "bench/scenebench.h"
#include "diffraction/scene.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace brelon::bench {

namespace {

// A thread started before anything is painted, which never paints: the
// benchmarks run the arithmetic on it in the state a fresh process has.
class CleanThread {
public:
    CleanThread()
        : m_thread([this] { serve(); })
    {
    }
    ~CleanThread()
    {
        run({});
        m_thread.join();
    }
    /// Runs \a job on the thread and waits for it; an empty job ends the thread.
    void run(std::function<void()> job)
    {
        std::unique_lock lock(m_mutex);
        m_job = std::move(job);
        m_pending = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_pending; });
    }

private:
    void serve()
    {
        for (;;) {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_pending; });
            const bool end = !m_job;
            if (!end)
                m_job();
            m_pending = false;
            m_changed.notify_all();
            if (end)
                return;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_job;
    bool m_pending = false;
    std::thread m_thread;
};

std::unique_ptr<CleanThread> cleanThread;

void BM_PhasorArithmeticFreshThread(benchmark::State& state)
{
    cleanThread->run([&] { state.counters["upper_in_use"] = upperHalvesInUse(); });
    for (auto _ : state)
        cleanThread->run([] { benchmark::DoNotOptimize(chainsOfAScan()); });
}

void BM_ArithmeticFloor(benchmark::State& state)
{
    // The bare floor: √, product, sine and cosine of every segment of a
    // 20-opening scan at F 15, one core, in a thread that never painted.
    for (auto _ : state)
        cleanThread->run([] {
            double sum = 0;
            for (int X = scene::scanLeft; X <= scene::scanRight; ++X)
                for (int m = 0; m < 20; ++m) {
                    const double dx = scene::openingX(m) - X;
                    const double phi = std::sqrt(dx * dx + scene::phaseDistanceSquared) * 15;
                    sum += std::cos(phi) + std::sin(phi);
                }
            benchmark::DoNotOptimize(sum);
        });
}

} // namespace

void startCleanThread()
{
    cleanThread = std::make_unique<CleanThread>();
}

void endCleanThread()
{
    cleanThread.reset();
}

} // namespace brelon::bench

using namespace brelon::bench;

BENCHMARK(BM_PhasorArithmeticFreshThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArithmeticFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
