// SPDX-License-Identifier: GPL-3.0-or-later

// The Start handler: what it draws for each structure text, in which order
// and with which pen, its error paths, the slowdown, and the rendered scene
// (bars against the scene mathematics, lean drawing against literal drawing).

#include "diffraction/scene.h"
#include "diffraction/start.h"
#include "recordingui.h"
#include "surface/drawing/pacer.h"
#include "tests/e2e/shotcheck.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QLineEdit>

#include <chrono>
#include <cmath>
#include <set>
#include <vector>

using namespace brelon;
using namespace brelon::test;

namespace {

RecordingUi recordedRun(const QString& structure, const QString& frequency = QStringLiteral("20"),
    const QString& slowdown = QStringLiteral("1"))
{
    RecordingUi ui;
    ui.fields[size_t(Field::Ndirek)] = structure;
    ui.fields[size_t(Field::Kmitocet)] = frequency;
    ui.fields[size_t(Field::Spomaleni)] = slowdown;
    cmdStartClick(ui);
    return ui;
}

bool isStub(const Op& op)
{
    return op.kind == Op::Line && op.hasColour && op.colour == white && op.a == op.c && op.b == 8000 && op.d == 8500;
}

bool isRay(const Op& op)
{
    return op.kind == Op::Line && op.hasColour && op.colour == white && op.b == 8000 && op.d == 6500;
}

bool isBar(const Op& op)
{
    return op.kind == Op::Line && !op.hasColour && op.a == op.c && op.b == 6500;
}

// A segment of a chain: fore colour, pen 1, not on a baseline, the axis or a bar.
bool isSegment(const Op& op)
{
    return op.kind == Op::Line && !op.hasColour && op.width == 1 && !isBar(op) && !(op.b == op.d && op.b == 6500)
        && !(op.b == op.d && op.b == 3500 && op.a == 0) && !(op.b == 1700 && op.d == 1700);
}

// The top pixel row of the black bar standing on the pattern baseline in a
// pixel column, or the baseline row when no bar rises there.
int barTop(Canvas& canvas, int column)
{
    const int base = TwipScale().pixel(6500);
    int row = base - 1;
    while (row > 0 && surfacePixel(canvas, column, row) == blackRgb)
        --row;
    return row + 1;
}

} // namespace

class TestStart : public QObject {
    Q_OBJECT
private slots:
    void sceneContent_data()
    {
        QTest::addColumn<QString>("structure");
        QTest::addColumn<int>("openings");
        QTest::newRow("2") << "2" << 2;
        QTest::newRow("3") << "3" << 3;
        QTest::newRow("4") << "4" << 4;
        QTest::newRow("20") << "20" << 20;
        QTest::newRow("5, outside the table") << "5" << 5;
        QTest::newRow("02, compared as text") << "02" << 2;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("0, no opening") << "0" << 0;
    }
    void sceneContent()
    {
        QFETCH(QString, structure);
        QFETCH(int, openings);
        const RecordingUi ui = recordedRun(structure);

        std::set<float> openingXs, rayColumns, chainStarts;
        long long stubs = 0, rays = 0, bars = 0, segments = 0, discs = 0, pauses = 0;
        for (const Op& op : ui.ops) {
            if (isStub(op)) {
                ++stubs;
                QCOMPARE(op.width, 2);
            } else if (isRay(op)) {
                ++rays;
                rayColumns.insert(op.c);
            } else if (isBar(op)) {
                ++bars;
            } else if (isSegment(op)) {
                ++segments;
                if (op.b == 3500 && std::fmod(op.a, 200.0f) == 0)
                    chainStarts.insert(op.a);
            } else if (op.kind == Op::Circle && op.c == 50) {
                ++discs;
                openingXs.insert(op.a);
                QCOMPARE(op.b, 8000.0f);
                QCOMPARE(op.colour, grey);
            } else if (op.kind == Op::CountDown) {
                ++pauses;
                QCOMPARE(op.count, 1.0);
            }
        }
        QCOMPARE(discs, openings);
        if (openings > 0) {
            QCOMPARE(*openingXs.begin(), 9000.0f);
            QCOMPARE(*openingXs.rbegin(), float(9000 + 100 * (openings - 1)));
        }
        QCOMPARE(stubs, 11951LL * openings);
        QCOMPARE(rays, 120LL * openings);
        QCOMPARE(rayColumns.size(), size_t(openings > 0 ? 120 : 0));
        QCOMPARE(segments, 60LL * openings);
        QCOMPARE(chainStarts.size(), size_t(openings > 0 ? 60 : 0));
        QCOMPARE(bars, 11951LL);
        QCOMPARE(pauses, 11951LL);

        // The pen and fill left in force for the handlers that draw later.
        QCOMPARE(ui.drawWidth, 1);
        QCOMPARE(ui.fillStyle, 0);
        QCOMPARE(ui.fillColor, grey);
    }

    void sequence()
    {
        const RecordingUi ui = recordedRun(QStringLiteral("4"));
        QCOMPARE(ui.ops.front().kind, Op::ScaleMode);
        QCOMPARE(ui.ops.front().a, 1.0f);
        // The grey sweep: 900 ten-pixel lines from y 1 to y 8991.
        QCOMPARE(ui.ops[1].kind, Op::DrawWidth);
        QCOMPARE(ui.ops[1].a, 10.0f);
        QCOMPARE(ui.ops[2].b, 1.0f);
        QCOMPARE(ui.ops[901].b, 8991.0f);
        QCOMPARE(ui.ops[901].colour, grey);
        QCOMPARE(ui.ops[902].kind, Op::DrawWidth);
        // The relative frequency is refreshed last, ending in "#.##".
        const Op& last = ui.ops.back();
        QCOMPARE(last.kind, Op::SetText);
        QCOMPARE(last.field, Field::RelKmitocet);
        QCOMPARE(last.text, QStringLiteral("3.18"));
        QCOMPARE(ui.ops[ui.ops.size() - 2].text, QStringLiteral("3.18471337579618"));
        QCOMPARE(ui.ops[ui.ops.size() - 3].kind, Op::CountDown);
        // Within one opening: stub, then ray, then segment (column 0 has all three).
        const auto firstStub = std::find_if(ui.ops.begin(), ui.ops.end(), isStub);
        QVERIFY(firstStub != ui.ops.end());
        QVERIFY(isRay(*(firstStub + 2)));
        QVERIFY(isSegment(*(firstStub + 3)));
        QCOMPARE((firstStub + 3)->a, 0.0f);
        QCOMPARE((firstStub + 3)->b, 3500.0f);
    }

    void phaseOverflowStopsAtItsSegment()
    {
        // r_m · F overflows from opening 19 of column 0 on, the longest path
        // of the scan: the stubs and rays of all twenty openings are drawn,
        // the first nineteen segments, and no bar.
        RecordingUi ui;
        ui.fields[size_t(Field::Ndirek)] = QStringLiteral("20");
        ui.fields[size_t(Field::Kmitocet)] = QStringLiteral("2.1476e302");
        ui.fields[size_t(Field::Spomaleni)] = QStringLiteral("0");
        QVERIFY_THROWS_EXCEPTION(Error, cmdStartClick(ui));
        QCOMPARE(std::count_if(ui.ops.begin(), ui.ops.end(), isStub), 20);
        QCOMPARE(std::count_if(ui.ops.begin(), ui.ops.end(), isRay), 20);
        QCOMPARE(std::count_if(ui.ops.begin(), ui.ops.end(), isSegment), 19);
        QCOMPARE(std::count_if(ui.ops.begin(), ui.ops.end(), isBar), 0);
        QVERIFY(isRay(ui.ops.back()));
    }

    void slowdownCounts_data()
    {
        QTest::addColumn<double>("count");
        QTest::addColumn<long long>("decrements");
        QTest::newRow("0 makes no pause") << 0.0 << 0LL;
        QTest::newRow("1") << 1.0 << 1LL;
        QTest::newRow("30001, the bar's right end") << 30001.0 << 30001LL;
        QTest::newRow("negative: no pause") << -5.0 << 0LL;
        QTest::newRow("fractional: rounded up") << 2.5 << 3LL;
        QTest::newRow("tiny fraction") << 0.001 << 1LL;
    }
    void slowdownCounts()
    {
        QFETCH(double, count);
        QFETCH(long long, decrements);
        QCOMPARE(countDownSteps(count), decrements);
    }

    void slowdownBeyondTheLimitIsAnOverflow()
    {
        try {
            countDownSteps(1e7);
            QFAIL("no error");
        } catch (const Error& error) {
            QCOMPARE(error.kind(), ErrorKind::Overflow);
        }
    }

    void slowdownZeroRunsWithoutPause()
    {
        ShownProgram shown;
        shown.ui().setText(Field::Spomaleni, QStringLiteral("0"));
        shown.run(cmdStartClick);
        QCOMPARE(shown.ui().pacer().decrements(), 0LL);
        QVERIFY(shown.sink.messages.isEmpty());
    }

    // The pacer on a clock of the test's own: a column's drawing takes \a work,
    // a sleep takes \a overshoot times as long as asked (a busy machine).
    void pacing_data()
    {
        QTest::addColumn<double>("count"); // the count-down after each column
        QTest::addColumn<int>("columns");
        QTest::addColumn<long long>("work"); // ns a column
        QTest::addColumn<int>("overshoot");
        QTest::addColumn<int>("sleeps");
        QTest::addColumn<int>("presents");
        QTest::addColumn<long long>("end"); // ns from the start
        // No pause: a frame after each 16.67 ms of drawing (at 17, 34, 51, 68
        // and 85 ms), no sleep.
        QTest::newRow("slowdown 0") << 0.0 << 100 << 1'000'000LL << 1 << 0 << 5 << 100'000'000LL;
        // 3.0001 ms a column: after 6 columns the pacer is 18.0006 ms ahead
        // and sleeps it as a frame and the rest; the last 4 columns' 12.0004
        // ms are slept when the run settles. It ends on its deadline.
        QTest::newRow("largest slowdown") << 30001.0 << 10 << 0LL << 1 << 3 << 3 << 30'001'000LL;
        // Sleeps twice as long as asked: the first pause ends 18.0006 ms
        // late, which the rest of the run does not catch up; nothing more is
        // slept, and the run ends late, never early.
        QTest::newRow("sleeps overshoot") << 30001.0 << 10 << 0LL << 2 << 2 << 2 << 36'001'200LL;
        // 0.1 ms a column, half of it drawing: ahead by a frame after 334
        // columns, twice; the last 332 columns' 16.6 ms are slept at the end.
        QTest::newRow("drawing takes half") << 1000.0 << 1000 << 50'000LL << 1 << 5 << 5 << 100'000'000LL;
    }
    void pacing()
    {
        QFETCH(double, count);
        QFETCH(int, columns);
        QFETCH(long long, work);
        QFETCH(int, overshoot);
        QFETCH(int, sleeps);
        QFETCH(int, presents);
        QFETCH(long long, end);
        using std::chrono::nanoseconds;
        const Pacer::Clock::time_point start {};
        Pacer::Clock::time_point now = start;
        int slept = 0, presented = 0;
        nanoseconds longest {};
        Pacer pacer([&] { ++presented; },
            [&](Pacer::Clock::duration d) {
                ++slept;
                longest = std::max(longest, nanoseconds(d));
                now += d * overshoot;
            },
            [&] { return now; });
        pacer.restart();
        for (int column = 0; column < columns; ++column) {
            now += nanoseconds(work);
            pacer.countDown(count);
        }
        pacer.settle();
        QCOMPARE(pacer.decrements(), static_cast<long long>(std::ceil(count)) * columns);
        QCOMPARE(slept, sleeps);
        QCOMPARE(presented, presents);
        QCOMPARE(nanoseconds(now - start).count(), end);
        QVERIFY(longest <= Pacer::framePeriod);
    }

    void fastColumnsReadTheClockSeldom()
    {
        // 20 000 columns of 2 µs at slowdown 0, 40 ms: a frame when 16.67 ms
        // and 33.33 ms are past, each within a millisecond, on a few hundred
        // reads of the clock rather than one a column.
        using std::chrono::nanoseconds;
        Pacer::Clock::time_point now {};
        int reads = 0;
        std::vector<long long> frames;
        Pacer pacer([&] { frames.push_back(nanoseconds(now.time_since_epoch()).count()); },
            [](Pacer::Clock::duration) { QFAIL("slept"); },
            [&] {
                ++reads;
                return now;
            });
        pacer.restart();
        for (int column = 0; column < 20000; ++column) {
            now += nanoseconds(2000);
            pacer.countDown(0);
        }
        QCOMPARE(frames.size(), size_t(2));
        QVERIFY2(frames[0] >= 16'666'667 && frames[0] < 17'666'667, qPrintable(QString::number(frames[0])));
        QVERIFY2(frames[1] >= 33'333'334 && frames[1] < 34'333'334, qPrintable(QString::number(frames[1])));
        QVERIFY2(reads < 400, qPrintable(QString::number(reads)));
    }

    // clang-tidy takes the local Counter's use of its own members for this
    // slot's; the slot itself touches no member.
    // NOLINTNEXTLINE(readability-make-member-function-const)
    void pacedRunShowsFrames()
    {
        // 1000 decrements a column of 100 ns: 1.2 s for the scan, shown as
        // it goes. The pacer's own counts are checked on a clock of the
        // test's; here real time only bounds the run from below (the pauses
        // are slept in full) and, ten times over, from above.
        ShownProgram shown;
        shown.ui().setText(Field::Spomaleni, QStringLiteral("1000"));
        int paints = 0;
        struct Counter : QObject {
            int* paints;
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::Paint)
                    ++*paints;
                return false;
            }
        } counter;
        counter.paints = &paints;
        shown.window().installEventFilter(&counter);
        QElapsedTimer timer;
        timer.start();
        shown.run(cmdStartClick);
        const qint64 elapsed = timer.elapsed();
        shown.window().removeEventFilter(&counter);
        QCOMPARE(shown.ui().pacer().decrements(), 11951LL * 1000);
        QVERIFY2(elapsed >= 1195 && elapsed < 12'000, qPrintable(QString::number(elapsed)));
        QVERIFY2(paints >= 10, qPrintable(QString::number(paints)));
    }

    void errors_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("waveDrawn");
        QTest::addColumn<bool>("apertureDrawn");
        QTest::addColumn<QString>("message");
        QTest::newRow("frequency not a number: stops at the wave")
            << int(Field::Kmitocet) << "abc" << false << false << "Chyba převodu";
        QTest::newRow("frequency empty") << int(Field::Kmitocet) << "" << false << false << "Chyba převodu";
        QTest::newRow("structure not a number: stops before the aperture")
            << int(Field::Ndirek) << "čtyři" << true << false << "Chyba převodu";
        QTest::newRow("structure huge: the opening index overflows")
            << int(Field::Ndirek) << "1e300" << true << false << "Přetečení";
        QTest::newRow("slowdown not a number: stops after column 0")
            << int(Field::Spomaleni) << "x" << true << true << "Chyba převodu";
        QTest::newRow("slowdown huge") << int(Field::Spomaleni) << "1e300" << true << true << "Přetečení";
    }
    void errors()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(bool, waveDrawn);
        QFETCH(bool, apertureDrawn);
        QFETCH(QString, message);
        ShownProgram shown;
        Canvas& canvas = shown.canvas();
        shown.ui().setText(Field(field), text);
        shown.run(cmdStartClick);
        QCOMPARE(shown.sink.messages.size(), 1);
        QVERIFY2(shown.sink.messages.front().startsWith(message), qPrintable(shown.sink.messages.front()));
        // What was drawn before the error stays: the sweep covered the prompt.
        QCOMPARE(surfacePixel(canvas, 3120 / 15 + 3, 4080 / 15 + 3), greyRgb);
        // The axis comes before the wave reads the frequency; the wave's
        // crest at x 893 (i · k = π/2 at F = 20) only once it has.
        QCOMPARE(surfacePixel(canvas, 600 / 15, 1700 / 15), blackRgb);
        QCOMPARE(surfacePixel(canvas, 893 / 15, 1500 / 15) == blackRgb, waveDrawn);
        QCOMPARE(surfacePixel(canvas, 2000 / 15, 8000 / 15) == blackRgb, apertureDrawn);
        if (apertureDrawn) {
            // Column 0's stubs and chain are there, no later column's bar.
            QCOMPARE(surfacePixel(canvas, 9000 / 15, 8300 / 15), whiteRgb);
            QCOMPARE(surfacePixel(canvas, 1211 / 15, 6000 / 15), greyRgb);
        }
        QCOMPARE(shown.ui().text(Field::RelKmitocet), QStringLiteral("3.18"));
    }

    void barsMatchTheMathematics_data()
    {
        QTest::addColumn<QString>("structure");
        QTest::addColumn<int>("frequency");
        QTest::newRow("2 openings, F 20") << "2" << 20;
        QTest::newRow("4 openings, F 20") << "4" << 20;
        QTest::newRow("4 openings, F 137") << "4" << 137;
        QTest::newRow("3 openings, F 60") << "3" << 60;
    }
    void barsMatchTheMathematics()
    {
        QFETCH(QString, structure);
        QFETCH(int, frequency);
        ShownProgram shown;
        shown.ui().setText(Field::Ndirek, structure);
        shown.ui().setText(Field::Kmitocet, QString::number(frequency));
        shown.run(cmdStartClick);
        QVERIFY(shown.sink.messages.isEmpty());
        // A column's pixels hold the union of its fifteen bars: the tallest,
        // as the screenshot checks work it out from the scene mathematics.
        const std::vector<int> tops = shot::expectedTops(structure, frequency);
        int checkedColumns = 0;
        for (int column = 10; column < 750; column += 37) {
            QCOMPARE(barTop(shown.canvas(), column), tops[size_t(column)]);
            ++checkedColumns;
        }
        QCOMPARE(checkedColumns, 20);
    }

    void leanDrawingIsPixelIdenticalToLiteral_data()
    {
        QTest::addColumn<QString>("structure");
        QTest::addColumn<int>("frequency");
        QTest::newRow("2") << "2" << 20;
        QTest::newRow("3") << "3" << 20;
        QTest::newRow("4") << "4" << 20;
        QTest::newRow("20") << "20" << 15;
        QTest::newRow("20 at F 40") << "20" << 40;
        QTest::newRow("1, unscaled bars") << "1" << 20;
        QTest::newRow("0") << "0" << 20;
        QTest::newRow("20 at F 60, bars downwards") << "20" << 60;
    }
    void leanDrawingIsPixelIdenticalToLiteral()
    {
        QFETCH(QString, structure);
        QFETCH(int, frequency);
        ShownProgram shown;
        shown.ui().setText(Field::Ndirek, structure);
        shown.ui().setText(Field::Kmitocet, QString::number(frequency));
        shown.ui().setText(Field::Spomaleni, QStringLiteral("0"));
        shown.run(cmdStartClick);
        const QImage lean = shown.canvas().snapshot();
        const long long leanCalls = shown.canvas().paintCalls();

        // Draw something else first, so the literal run has to erase it too.
        SurfaceUi<Raster> raster(lean.size());
        raster.fields[size_t(Field::Ndirek)] = structure;
        raster.fields[size_t(Field::Kmitocet)] = QStringLiteral("199");
        raster.fields[size_t(Field::Spomaleni)] = QStringLiteral("0");
        cmdStartClick(raster);
        raster.fields[size_t(Field::Kmitocet)] = QString::number(frequency);
        const long long before = raster.surface.paintCalls();
        cmdStartClick(raster);
        const QImage literal = raster.surface.snapshot();
        QVERIFY(raster.surface.paintCalls() - before > 10 * leanCalls / 2);
        QVERIFY(shown.sink.messages.isEmpty());
        QCOMPARE(lean.size(), literal.size());
        const auto colour = [](const QImage& image, int x, int y) {
            return QString::number(image.pixel(x, y) & 0xFFFFFF, 16).rightJustified(6);
        };
        for (int y = 0; y < lean.height(); ++y)
            for (int x = 0; x < lean.width(); ++x)
                if (lean.pixel(x, y) != literal.pixel(x, y)) {
                    const QString where = QStringLiteral("%1, %2").arg(x).arg(y);
                    const QString pattern = QStringLiteral("pixel %1: lean %2, literal %3");
                    QFAIL(qPrintable(pattern.arg(where, colour(lean, x, y), colour(literal, x, y))));
                }
        QVERIFY(lean == literal);
    }
};

BRELON_WIDGET_TEST_MAIN(TestStart)
#include "tst_start.moc"
