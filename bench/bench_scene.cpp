// SPDX-License-Identifier: GPL-3.0-or-later

// Timings of the drawing that a class watches: the incident-wave strip that
// every frequency change redraws, and the whole Start scene per structure,
// drawn lean (the canvas leaves out what cannot change a pixel) into the
// window's backing image, at 1:1 and magnified twice, and literally (the
// raster alone, one painter call per operation), and a finished picture
// drawn again at a new zoom. And the arithmetic under the scene: the chains
// of a scan worked out after the program has painted (bench_threads.cpp
// adds the same on a thread that never has, where there are threads).

#include "bench/scenebench.h"

#include "app/program.h"
#include "diffraction/scene.h"
#include "diffraction/start.h"
#include "surface/core/strip.h"
#include "tests/recordingui.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace brelon::bench {

namespace {

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

#if defined(__x86_64__)
__attribute__((target("xsave"))) unsigned long long inUseComponents()
{
    return _xgetbv(1);
}
#endif

void prepare(int openings, int frequency)
{
    WindowUi& ui = program().ui();
    ui.setText(Field::Ndirek, QString::number(openings));
    ui.setText(Field::Kmitocet, QString::number(frequency));
    ui.setText(Field::Spomaleni, QStringLiteral("0"));
}

/// The window showing a finished 20-opening picture at the frequency 15.
void finishTwentyOpenings()
{
    prepare(20, 15);
    WindowUi& ui = program().ui();
    ui.beginHandler();
    cmdStartClick(ui);
    ui.endHandler();
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
    finishTwentyOpenings();
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

void BM_ResizeFinishedScene(benchmark::State& state)
{
    // The window showing a finished 20-opening picture resized from its
    // stored size to a screen's (maximised on a projector) and painted
    // there: every thread's CPU time, up to the painted window.
    finishTwentyOpenings();
    Window& window = program().window();
    const QSize stored = window.size();
    const QSize screen(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        window.resize(screen);
        window.repaint();
        state.PauseTiming();
        window.resize(stored);
        window.repaint();
        state.ResumeTiming();
    }
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

} // namespace

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

double chainsOfAScan()
{
    double sum = 0;
    for (int X = scene::scanLeft; X <= scene::scanRight; ++X)
        sum += scene::chainEnd(X, 19, 60, 15).x;
    return sum;
}

int run(int& argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    instance.reset();
    return 0;
}

} // namespace brelon::bench

using namespace brelon::bench;

BENCHMARK(BM_FullScene)->Arg(2)->Arg(3)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSceneAtZoom2)->Arg(2)->Arg(3)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAtNewZoom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeFinishedScene)
    ->Args({ 1920, 1080 })
    ->Args({ 2560, 1440 })
    ->Args({ 3840, 2160 })
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSceneLiteral)->Arg(2)->Arg(3)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhasorArithmetic)->Unit(benchmark::kMillisecond);
