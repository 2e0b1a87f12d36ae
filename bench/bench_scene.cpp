// SPDX-License-Identifier: GPL-3.0-or-later

// Timings of the drawing that a class watches: the incident-wave strip that
// every frequency change redraws, and the whole Start scene per structure,
// drawn lean (the canvas leaves out what cannot change a pixel) into the
// window's backing image, at 1:1 and magnified twice, and literally (the
// raster alone, one painter call per operation), and a finished picture
// drawn again at a new zoom. And the arithmetic under the scene: its bare
// floor, and the chains worked out after the program has painted next to a
// thread that never has, whose ratio shows a register-state penalty after
// painting on the CPUs that have one.

#include "app/environment.h"
#include "app/program.h"
#include "diffraction/scene.h"
#include "diffraction/start.h"
#include "surface/core/strip.h"
#include "tests/recordingui.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

using namespace brelon;

// One shown window for every benchmark, on the offscreen platform; it goes
// before the application does.
std::unique_ptr<Program> instance;

Program& program()
{
    if (!instance) {
        instance = std::make_unique<Program>();
        instance->start();
    }
    return *instance;
}

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

#if defined(__x86_64__)
__attribute__((target("xsave"))) unsigned long long inUseComponents()
{
    return _xgetbv(1);
}
#endif

/// 1 when the upper halves of the vector registers are in use on this thread
/// (the state that slows legacy-SSE code on some CPUs), 0 when not, -1 when
/// the CPU cannot tell.
double upperHalvesInUse()
{
#if defined(__x86_64__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    const bool osxsave = __get_cpuid(1, &a, &b, &c, &d) && (c & bit_OSXSAVE);
    if (osxsave && __get_cpuid_count(0xD, 1, &a, &b, &c, &d) && (a & (1u << 2)))
        return (inUseComponents() & (1u << 2)) ? 1 : 0; // component 2: the upper halves of YMM0-15
#endif
    return -1;
}

void prepare(int openings, int frequency)
{
    WindowUi& ui = program().ui();
    ui.setText(Field::Ndirek, QString::number(openings));
    ui.setText(Field::Kmitocet, QString::number(frequency));
    ui.setText(Field::Spomaleni, QStringLiteral("0"));
}

void fullScene(benchmark::State& state)
{
    const int openings = int(state.range(0));
    prepare(openings, openings == 20 ? 15 : 20);
    Canvas& canvas = program().window().canvas();
    const long long callsBefore = canvas.paintCalls();
    for (auto _ : state) {
        program().ui().beginHandler();
        cmdStartClick(program().ui());
        canvas.flush();
        program().ui().endHandler();
    }
    state.counters["paint_calls"] = double(canvas.paintCalls() - callsBefore) / double(state.iterations());
}

void BM_FullScene(benchmark::State& state)
{
    fullScene(state);
}

void BM_FullSceneAtZoom2(benchmark::State& state)
{
    // The window maximised on a projector: 1600 × 1142, everything twice.
    Window& window = program().window();
    window.resize(1600, 1142);
    fullScene(state);
    window.resize(758, 571);
}

void BM_RedrawAtNewZoom(benchmark::State& state)
{
    // A finished 20-opening picture drawn again at another zoom, as when the
    // window is maximised and restored: 2 and 1 by turns.
    prepare(20, 15);
    WindowUi& ui = program().ui();
    ui.beginHandler();
    cmdStartClick(ui);
    ui.endHandler();
    Canvas& canvas = program().window().canvas();
    double zoom = 1;
    for (auto _ : state) {
        zoom = zoom == 1 ? 2 : 1;
        canvas.setScale(zoom, canvas.devicePixelRatio());
        canvas.flush();
    }
    canvas.setScale(1, canvas.devicePixelRatio());
    state.counters["requests_kept"] = double(canvas.displayList().size());
}

void BM_FullSceneLiteral(benchmark::State& state)
{
    // Every primitive drawn as it comes, into a raster of the surface's size.
    const int openings = int(state.range(0));
    const Canvas& canvas = program().window().canvas();
    test::SurfaceUi<Raster> ui(canvas.size(), canvas.devicePixelRatio());
    ui.fields[size_t(Field::Ndirek)] = QString::number(openings);
    ui.fields[size_t(Field::Kmitocet)] = QString::number(openings == 20 ? 15 : 20);
    ui.fields[size_t(Field::Spomaleni)] = QStringLiteral("0");
    for (auto _ : state) {
        ui.ops.clear();
        cmdStartClick(ui);
    }
    state.counters["paint_calls"] = double(ui.surface.paintCalls()) / double(state.iterations());
}

void BM_StripRedraw(benchmark::State& state)
{
    prepare(4, 137);
    Canvas& canvas = program().window().canvas();
    for (auto _ : state) {
        strip::clearBand(program().ui());
        strip::drawAxis(program().ui());
        strip::drawWave(program().ui());
        canvas.flush();
    }
}

// The chains of a whole 20-opening scan without drawing.
double chainsOfAScan()
{
    double sum = 0;
    for (int X = scene::scanLeft; X <= scene::scanRight; ++X)
        sum += scene::chainEnd(X, 19, 60, 15).x;
    return sum;
}

void BM_PhasorArithmetic(benchmark::State& state)
{
    // On the drawing thread, after the program has painted.
    prepare(4, 20);
    program().ui().line(0, 0, 12000, 0, grey);
    program().window().canvas().flush();
    state.counters["upper_in_use"] = upperHalvesInUse();
    for (auto _ : state)
        benchmark::DoNotOptimize(chainsOfAScan());
}

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

BENCHMARK(BM_FullScene)->Arg(2)->Arg(3)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSceneAtZoom2)->Arg(2)->Arg(3)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAtNewZoom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSceneLiteral)->Arg(2)->Arg(3)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhasorArithmetic)->Unit(benchmark::kMillisecond);
// The browser has no second thread, and its page is the platform.
#ifndef __EMSCRIPTEN__
BENCHMARK(BM_PhasorArithmeticFreshThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArithmeticFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

int main(int argc, char** argv)
{
#ifndef __EMSCRIPTEN__
    cleanThread = std::make_unique<CleanThread>();
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    instance.reset();
    cleanThread.reset();
#ifdef __EMSCRIPTEN__
    // A page keeps the toolkit's program running after main(): end it, so
    // that the page hears the benchmarks are done.
    brelon::endProgram(EXIT_SUCCESS);
#endif
    return 0;
}
