// Timings of the drawing that a class watches: the incident-wave strip that
// every frequency change redraws, and the whole Start scene per structure,
// drawn lean (the canvas leaves out what cannot change a pixel) and
// literally (one painter call per operation), into the backing image.

#include "app/startup.h"
#include "diffraction/scene.h"
#include "diffraction/start.h"
#include "surface/strip.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <memory>

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

void prepare(int openings, int frequency)
{
    WindowUi& ui = program().ui();
    ui.setText(Field::Ndirek, QString::number(openings));
    ui.setText(Field::Kmitocet, QString::number(frequency));
    ui.setText(Field::Spomaleni, QStringLiteral("0"));
}

void fullScene(benchmark::State& state, bool lean)
{
    const int openings = int(state.range(0));
    prepare(openings, openings == 20 ? 15 : 20);
    Canvas& canvas = program().window().canvas();
    canvas.setCoalescing(lean);
    const long long callsBefore = canvas.paintCalls();
    for (auto _ : state) {
        program().ui().beginHandler();
        cmdStartClick(program().ui());
        canvas.flush();
        program().ui().endHandler();
    }
    state.counters["paint_calls"] = double(canvas.paintCalls() - callsBefore) / double(state.iterations());
    canvas.setCoalescing(true);
}

void BM_FullScene(benchmark::State& state)
{
    fullScene(state, true);
}

void BM_FullSceneLiteral(benchmark::State& state)
{
    fullScene(state, false);
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
    // The chains of a whole 20-opening scan without drawing: the floor under
    // the full scene.
    for (auto _ : state) {
        double sum = 0;
        for (int X = scene::scanLeft; X <= scene::scanRight; ++X)
            sum += scene::chainEnd(X, 19, 60, 15).x;
        benchmark::DoNotOptimize(sum);
    }
}

} // namespace

BENCHMARK(BM_FullScene)->Arg(2)->Arg(3)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSceneLiteral)->Arg(2)->Arg(3)->Arg(4)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhasorArithmetic)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    instance.reset();
    return 0;
}
