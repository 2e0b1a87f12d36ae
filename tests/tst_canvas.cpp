// SPDX-License-Identifier: GPL-3.0-or-later

// The drawing surface's primitives: pixel widths, marks for circles smaller
// than a pixel, fills, dropped drawing while hidden, the device pixel ratio,
// and lean drawing against literal drawing on random operation sequences.
// Its parts on their own: the raster's rectangles of device pixels, what the
// repeat filter recalls, and what the display list forgets.

#include "surface/drawing/canvas.h"
#include "testsupport.h"

#include <cmath>
#include <random>

using namespace brelon;
using namespace brelon::test;

Q_DECLARE_METATYPE(brelon::Request)

namespace {

QRgb at(Canvas& canvas, int x, int y)
{
    return canvas.image().pixel(x, y) & 0xFFFFFF;
}

int blackRowsInColumn(Canvas& canvas, int column, int top, int bottom)
{
    int n = 0;
    for (int row = top; row <= bottom; ++row)
        n += at(canvas, column, row) == blackRgb ? 1 : 0;
    return n;
}

void drawWave(Canvas& canvas, double f)
{
    const double k = f / 5000;
    for (int i = 0; i <= 5000; ++i)
        canvas.circle(float(500 + i), float(1700 - 200 * std::sin(i * k)), 5, 0);
}

} // namespace

class TestCanvas : public QObject {
    Q_OBJECT
private slots:
    void lineWidths_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("firstRow");
        QTest::newRow("1") << 1 << 100;
        QTest::newRow("2") << 2 << 100;
        QTest::newRow("3") << 3 << 99;
        QTest::newRow("10") << 10 << 96;
    }
    void lineWidths()
    {
        QFETCH(int, width);
        QFETCH(int, firstRow);
        Canvas canvas(QSize(200, 200));
        canvas.setDrawWidth(width);
        canvas.line(150, 1507, 1500, 1507, 0);
        for (int row = 90; row < 115; ++row) {
            const bool inside = row >= firstRow && row < firstRow + width;
            QCOMPARE(at(canvas, 50, row), inside ? blackRgb : greyRgb);
        }
        // Square pen: the ends reach as far as the width.
        QCOMPARE(at(canvas, 10 - (width - 1) / 2, 100), blackRgb);
        QCOMPARE(at(canvas, 10 - (width - 1) / 2 - 1, 100), greyRgb);
    }

    void diagonalLineIsOnePixelRun()
    {
        Canvas canvas(QSize(200, 200));
        canvas.line(0, 0, 1500, 750, white);
        int lit = 0;
        for (int x = 0; x <= 100; ++x) {
            int inColumn = 0;
            for (int y = 0; y <= 50; ++y)
                inColumn += at(canvas, x, y) == whiteRgb ? 1 : 0;
            QCOMPARE(inColumn, 1); // a shallow line lights one pixel a column
            lit += inColumn;
        }
        QCOMPARE(at(canvas, 0, 0), whiteRgb);
        QCOMPARE(at(canvas, 100, 50), whiteRgb);
        QCOMPARE(lit, 101);
    }

    void tinyCirclesMakeAGapFreeCurve_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("f");
        QTest::newRow("pen 1, f 20") << 1 << 20.0;
        QTest::newRow("pen 1, f 200") << 1 << 200.0;
        QTest::newRow("pen 2, f 20") << 2 << 20.0;
    }
    void tinyCirclesMakeAGapFreeCurve()
    {
        QFETCH(int, width);
        QFETCH(double, f);
        Canvas canvas(QSize(420, 200));
        canvas.setDrawWidth(width);
        drawWave(canvas, f);
        int previousTop = -1, previousBottom = -1;
        for (int column = 500 / 15 + 1; column < 5500 / 15; ++column) {
            // Every column holds the curve, at least `DrawWidth` pixels thick,
            // touching its neighbour: no gaps.
            int top = 1000, bottom = -1;
            for (int row = 90; row <= 130; ++row)
                if (at(canvas, column, row) == blackRgb) {
                    top = std::min(top, row);
                    bottom = std::max(bottom, row);
                }
            QVERIFY2(bottom >= 0, qPrintable(QString::number(column)));
            QVERIFY(blackRowsInColumn(canvas, column, 90, 130) >= width);
            if (previousBottom >= 0)
                QVERIFY(top <= previousBottom + 1 && bottom >= previousTop - 1);
            previousTop = top;
            previousBottom = bottom;
        }
    }

    void circlesFillAsTheFillSettingsSay()
    {
        Canvas canvas(QSize(200, 200));
        canvas.setDrawWidth(10);
        for (int y = 0; y < 3000; y += 50)
            canvas.line(0, float(y), 3000, float(y), 0);
        canvas.setDrawWidth(1);
        canvas.setFillColor(grey);
        canvas.setFillStyle(0);
        canvas.circle(750, 750, 300, white);
        QCOMPARE(at(canvas, 50, 50), greyRgb); // solid fill inside
        QCOMPARE(at(canvas, 50, 30), whiteRgb); // the outline
        canvas.setFillStyle(1);
        canvas.circle(2250, 750, 300, white);
        QCOMPARE(at(canvas, 150, 50), blackRgb); // transparent inside
        QCOMPARE(at(canvas, 150, 30), whiteRgb);
    }

    void disabledDropsDrawing()
    {
        Canvas canvas(QSize(100, 100));
        canvas.setEnabled(false);
        canvas.line(0, 150, 1500, 150, 0);
        canvas.circle(750, 750, 300, 0);
        QCOMPARE(canvas.paintCalls(), 0);
        QVERIFY(canvas.takeDirty().isEmpty());
        QCOMPARE(at(canvas, 50, 10), greyRgb);
    }

    void outOfRangeAndNonFinite()
    {
        Canvas canvas(QSize(100, 100));
        // Far outside the image: clipped, no trouble.
        canvas.line(50, 1e20f, 50, -1e20f, 0);
        QCOMPARE(at(canvas, 3, 50), blackRgb);
        for (float bad : { std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN() }) {
            try {
                canvas.line(0, 0, bad, 10, 0);
                QFAIL("no error");
            } catch (const Error& error) {
                QCOMPARE(error.kind(), ErrorKind::Overflow);
            }
        }
    }

    void highResolution()
    {
        Canvas canvas(QSize(100, 100), 2.0);
        QCOMPARE(canvas.image().size(), QSize(200, 200));
        canvas.line(150, 757, 1200, 757, 0);
        // One logical pixel is two device pixels each way.
        QCOMPARE(canvas.image().pixel(40, 99) & 0xFFFFFF, greyRgb);
        QCOMPARE(canvas.image().pixel(40, 100) & 0xFFFFFF, blackRgb);
        QCOMPARE(canvas.image().pixel(40, 101) & 0xFFFFFF, blackRgb);
        QCOMPARE(canvas.image().pixel(40, 102) & 0xFFFFFF, greyRgb);
        QCOMPARE(canvas.image().pixel(19, 100) & 0xFFFFFF, greyRgb);
        QCOMPARE(canvas.image().pixel(20, 100) & 0xFFFFFF, blackRgb);
        QCOMPARE(canvas.takeDirty(), QRect(QPoint(10, 50), QPoint(80, 50)));
        // A new ratio keeps the picture.
        canvas.setScale(1.0, 1.0);
        QCOMPARE(canvas.image().size(), QSize(100, 100));
        QCOMPARE(canvas.image().pixel(40, 50) & 0xFFFFFF, blackRgb);
    }

    void rasterBlocks_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<bool>("stroked");
        QTest::addColumn<QRect>("block"); // in device pixels, null when empty
        Pen pen;
        pen.setDrawWidth(2);
        QTest::newRow("vertical, pen 2") << pen.line(150, 1507, 150, 2000, 0) << 1.0 << 1.0 << false
                                         << QRect(QPoint(10, 100), QPoint(11, 134));
        pen.setDrawWidth(1);
        QTest::newRow("slanted in twips, straight in pixels")
            << pen.line(150, 0, 164, 1500, 0) << 1.0 << 1.0 << false << QRect(QPoint(10, 0), QPoint(10, 100));
        QTest::newRow("slanted") << pen.line(0, 0, 1500, 750, 0) << 1.0 << 1.0 << true << QRect();
        // A device pixel belongs to the pixel that holds its top left corner:
        // at ratio 1.5, device column 15 alone to column 10.
        QTest::newRow("ratio 1.5") << pen.line(150, 150, 150, 1500, 0) << 1.0 << 1.5 << false
                                   << QRect(QPoint(15, 15), QPoint(15, 150));
        QTest::newRow("mark at ratio 2") << pen.circle(150, 150, 5, 0) << 1.0 << 2.0 << false
                                         << QRect(QPoint(20, 20), QPoint(21, 21));
        QTest::newRow("circle of a pixel") << pen.circle(150, 150, 15, 0) << 1.0 << 1.0 << true << QRect();
        QTest::newRow("above the image") << pen.line(0, -300, 3000, -300, 0) << 1.0 << 1.0 << false << QRect();
        // Pen 3 at zoom 1.5 is 4.5 pixels, rounded to 5: two above the row, two below.
        pen.setDrawWidth(3);
        QTest::newRow("pen 3 at zoom 1.5, clipped")
            << pen.line(0, 1500, 3000, 1500, 0) << 1.5 << 1.0 << false << QRect(QPoint(0, 148), QPoint(299, 152));
    }
    void rasterBlocks()
    {
        // What the raster fills as one rectangle, worked out by hand, and
        // drawn as it comes it paints that rectangle and nothing else.
        QFETCH(Request, request);
        QFETCH(double, zoom);
        QFETCH(double, ratio);
        QFETCH(bool, stroked);
        QFETCH(QRect, block);
        Raster raster(QSize(200, 200), ratio, zoom);
        const std::optional<QRect> rect = raster.block(request);
        QCOMPARE(!rect, stroked);
        if (stroked)
            return;
        QCOMPARE(rect->isEmpty() ? QRect() : *rect, block);
        raster.draw(request);
        QRect painted;
        for (int y = 0; y < raster.image().height(); ++y)
            for (int x = 0; x < raster.image().width(); ++x)
                if ((raster.image().pixel(x, y) & 0xFFFFFF) != greyRgb)
                    painted |= QRect(x, y, 1, 1);
        QCOMPARE(painted, block);
    }

    void repeatFilter_data()
    {
        QTest::addColumn<Request>("between");
        QTest::addColumn<Request>("repeat");
        QTest::addColumn<bool>("recalled");
        // A stub, pen 2, from (9000, 8000) to (9000, 8500): its reach lies
        // 90 twips around it (15 a pixel of pen, and 60).
        Pen pen;
        pen.setDrawWidth(2);
        const Request stub = pen.line(9000, 8000, 9000, 8500, white);
        QTest::newRow("white across it") << pen.line(8000, 8200, 10000, 8200, white) << stub << true;
        QTest::newRow("black far away") << pen.line(0, 100, 1000, 100, 0) << stub << true;
        QTest::newRow("black across it") << pen.line(8000, 8200, 10000, 8200, 0) << stub << false;
        QTest::newRow("black whose reach meets its reach") << pen.line(8000, 8680, 10000, 8680, 0) << stub << false;
        QTest::newRow("black a twip further") << pen.line(8000, 8681, 10000, 8681, 0) << stub << true;
        QTest::newRow("a white label over it: its text is black")
            << Request { Request::Label, 0, 0, 8800, 8100, 9200, 8400, white } << stub << false;
        pen.setFillStyle(0);
        pen.setFillColor(grey);
        QTest::newRow("white circle filled grey over it") << pen.circle(9000, 8250, 300, white) << stub << false;
        pen.setFillColor(white);
        QTest::newRow("white circle filled white over it") << pen.circle(9000, 8250, 300, white) << stub << true;
        pen.setDrawWidth(3);
        QTest::newRow("another pen: another request")
            << pen.line(0, 100, 1000, 100, 0) << pen.line(9000, 8000, 9000, 8500, white) << false;
    }
    void repeatFilter()
    {
        QFETCH(Request, between);
        QFETCH(Request, repeat);
        QFETCH(bool, recalled);
        const QSize surface(1000, 1000);
        Pen pen;
        pen.setDrawWidth(2);
        const Request stub = pen.line(9000, 8000, 9000, 8500, white);
        RepeatFilter filter;
        filter.add(stub, reachOf(stub, surface));
        QVERIFY(filter.recall(stub));
        filter.forget(reachOf(between, surface), between);
        QCOMPARE(filter.recall(repeat), recalled);
    }

    void repeatFilterFullKeepsWhatRepeats()
    {
        const QSize surface(800, 571);
        Pen pen;
        const auto bar = [&](int i) { return pen.line(float(15 * i), 6500, float(15 * i), 6000, 0); };
        RepeatFilter filter;
        for (int i = 0; i < 48; ++i)
            filter.add(bar(i), reachOf(bar(i), surface));
        QVERIFY(filter.recall(bar(7)));
        // Full: what was not drawn again makes room.
        filter.add(bar(48), reachOf(bar(48), surface));
        QVERIFY(filter.recall(bar(7)));
        QVERIFY(!filter.recall(bar(8)));
        QVERIFY(filter.recall(bar(48)));
    }

    void displayListForgetsWhatARunCovers_data()
    {
        QTest::addColumn<Request>("before");
        QTest::addColumn<float>("step"); // between the run's lines, from y 900 to 1100 at most
        QTest::addColumn<bool>("forgotten");
        // The run's lines have pen 10 and run from x 0 to 3000. A mark
        // reaches 80 twips (15 for its pen, 60, its radius 5); the run's pen
        // paints at least 56¼ twips beyond its lines (half its width, less
        // 1¼ pixels).
        Pen pen;
        QTest::newRow("a mark within") << pen.circle(1500, 1000, 5, white) << 10.0f << true;
        QTest::newRow("a mark reaching a pixel beyond the pen") << pen.circle(1500, 909, 5, white) << 10.0f << false;
        QTest::newRow("a mark within, lines 142.5 apart: no gap at any zoom")
            << pen.circle(1500, 1000, 5, white) << 142.5f << true;
        QTest::newRow("a mark within, lines 143 apart") << pen.circle(1500, 1000, 5, white) << 143.0f << false;
        pen.setDrawWidth(10);
        QTest::newRow("a line of the run's pen and ends, between its lines")
            << pen.line(3000, 1003, 0, 1003, 0) << 10.0f << true;
        QTest::newRow("a line of the run's pen, shorter") << pen.line(10, 1003, 3000, 1003, 0) << 10.0f << false;
    }
    void displayListForgetsWhatARunCovers()
    {
        QFETCH(Request, before);
        QFETCH(float, step);
        QFETCH(bool, forgotten);
        const QSize surface(800, 571);
        DisplayList list;
        list.add(before, reachOf(before, surface));
        Pen pen;
        pen.setDrawWidth(10);
        for (float y = 900; y <= 1100; y += step) {
            const Request line = pen.line(0, y, 3000, y, grey);
            list.add(line, reachOf(line, surface));
            if (y == 900)
                list.beginRun(line);
            else
                list.extendRun(line);
        }
        const size_t lines = list.size() - 1;
        list.settle();
        QCOMPARE(list.size(), forgotten ? lines : lines + 1);
        QCOMPARE(list.begin()->request == before, !forgotten);
    }

    void displayListKeepsTheLastOfRepeats()
    {
        // Past 4096 requests, and twice as many as after the last
        // compaction, only the last of identical requests is kept.
        const QSize surface(800, 571);
        DisplayList list;
        Pen pen;
        for (int i = 0; i < 5000; ++i) {
            const Request line = pen.line(0, float(i % 2 * 15), 3000, 1500, 0);
            list.add(line, reachOf(line, surface));
        }
        list.settle();
        QCOMPARE(list.size(), size_t(2));
        QCOMPARE(list.begin()->request.y1, 0.0f);
    }

    void leanEqualsLiteralOnRandomDrawing_data()
    {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<double>("firstZoom"); // where the rescaled canvas draws before it is rescaled
        for (unsigned seed : { 1u, 2u, 3u, 4u, 5u })
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed << 1.0 << 1.0 << 2.0;
        QTest::newRow("seed 6, ratio 2") << 6u << 2.0 << 1.0 << 1.0;
        QTest::newRow("seed 7, ratio 1.5") << 7u << 1.5 << 1.0 << 1.89;
        QTest::newRow("seed 8, zoom 1.89") << 8u << 1.0 << 1.89 << 1.0;
        QTest::newRow("seed 9, zoom 2, ratio 1.5") << 9u << 1.5 << 2.0 << 1.0;
        QTest::newRow("seed 10, zoom 1.5") << 10u << 1.0 << 1.5 << 3.0;
        QTest::newRow("seed 11, zoom 1.25, ratio 0.5") << 11u << 0.5 << 1.25 << 1.0;
    }
    void leanEqualsLiteralOnRandomDrawing()
    {
        // The same random drawing, with repeats and runs of close lines, lean
        // and literal at the row's scale, and lean at another scale then
        // drawn anew at the row's: three identical pictures.
        QFETCH(unsigned, seed);
        QFETCH(double, ratio);
        QFETCH(double, zoom);
        QFETCH(double, firstZoom);
        const QSize size(160, 120);
        Canvas lean(size, ratio, zoom);
        Raster literal(size, ratio, zoom);
        Canvas rescaled(size, 1.0, firstZoom);
        const auto each = [&](const auto& act) {
            act(lean);
            act(literal);
            act(rescaled);
        };
        const QFont font(QStringLiteral("Liberation Sans"), 12);
        each([&](auto& surface) {
            surface.paintLabel(QRect(300, 450, 1500, 300), QStringLiteral("Klepněte"), font, grey);
        });
        std::mt19937 random(seed);
        const auto pick = [&](int n) { return int(random() % unsigned(n)); };
        const Colour palette[] = { 0, white, grey, 0x0000FF, 0x00FF00 };
        struct Call {
            int kind, width, fill;
            float a, b, c, d;
            Colour colour;
        };
        std::vector<Call> history;
        const auto draw = [&](const Call& call) {
            each([&](auto& surface) {
                surface.setDrawWidth(call.width);
                surface.setFillStyle(call.fill);
                surface.setFillColor(palette[(call.kind + 1) % 5]);
                if (call.kind < 7)
                    surface.line(call.a, call.b, call.c, call.d, call.colour);
                else
                    surface.circle(call.a, call.b, call.kind == 9 ? 60.0f : 5.0f, call.colour);
            });
        };
        for (int i = 0; i < 6000; ++i) {
            Call call;
            if (pick(60) == 0) {
                // A run of horizontal lines, close enough to merge, as a clearing does.
                call = { 0, 1 + pick(10), 0, float(pick(2600) - 100), float(pick(2000) - 100), 0, 0, palette[pick(5)] };
                call.c = call.a + float(pick(2000));
                const int lines = 2 + pick(60);
                for (int k = 0; k < lines; ++k) {
                    call.d = call.b;
                    draw(call);
                    call.b += float(pick(int(15 * call.width - 7)));
                }
                continue;
            }
            if (!history.empty() && pick(3) == 0) {
                call = history[history.size() - 1 - size_t(pick(std::min<int>(40, int(history.size()))))];
            } else {
                call.kind = pick(10);
                call.width = 1 + pick(4) * pick(2);
                call.fill = pick(2);
                call.a = float(pick(2600) - 100);
                call.b = float(pick(2000) - 100);
                call.c = pick(2) ? call.a : float(pick(2600) - 100);
                call.d = pick(2) ? call.b + float(pick(40)) : float(pick(2000) - 100);
                call.colour = palette[pick(5)];
            }
            history.push_back(call);
            draw(call);
        }
        rescaled.setScale(zoom, ratio);
        QVERIFY(lean.paintCalls() < literal.paintCalls());
        const QImage picture = lean.snapshot();
        QCOMPARE(literal.snapshot(), picture);
        QCOMPARE(rescaled.snapshot(), picture);
        // What is kept to draw the picture again stays well below what was drawn.
        QVERIFY2(rescaled.displayList().size() < 6000, qPrintable(QString::number(rescaled.displayList().size())));
    }
};

BRELON_WIDGET_TEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
