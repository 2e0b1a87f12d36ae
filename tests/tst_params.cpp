// SPDX-License-Identifier: GPL-3.0-or-later

// The parameter handlers: frequency and slowdown bars, structure options and
// the incident-wave strip they redraw, observed through their fields, the
// drawing they issue and the pixels of the strip.

#include "app/program.h"
#include "app/startup.h"
#include "params/frequency.h"
#include "params/structure.h"
#include "recordingui.h"
#include "surface/core/strip.h"
#include "surface/window/scrollbar.h"
#include "testsupport.h"

#include <QRadioButton>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <utility>

using namespace brelon;
using namespace brelon::test;

namespace {

// A recording window whose puts raise the real handlers, counting how often
// each ran.
struct CountingUi : RecordingUi {
    std::array<int, 3> changes {};
    std::array<int, 4> clicks {};

    CountingUi()
    {
        const std::array<void (*)(Ui&), 3> bars { hScrollKmitocetChange, hScrollKmitocet20Change,
            hScrollSpomaleniChange };
        for (size_t i = 0; i < 3; ++i)
            onChange[i] = [this, i, h = bars[i]](Ui& ui) {
                ++changes[i];
                h(ui);
            };
        const std::array<void (*)(Ui&), 4> options { op2Click, op3DirkyClick, op4DirkyClick, op20Click };
        for (size_t i = 0; i < 4; ++i)
            onClick[i] = [this, i, h = options[i]](Ui& ui) {
                ++clicks[i];
                h(ui);
            };
    }
    long long stripRedraws() const
    {
        return std::count_if(ops.begin(), ops.end(), [](const Op& op) {
            return op.kind == Op::Line && op.hasColour && op.colour == grey && op.a == 2 && op.b == 1;
        });
    }
};

// Crossings of the wave through the axis row between x 500 and 5500 twips.
int axisCrossings(Canvas& canvas)
{
    const int axis = TwipScale().pixel(1700);
    int crossings = 0;
    int previous = 0;
    for (int column = TwipScale().pixel(500); column <= TwipScale().pixel(5500); ++column) {
        int above = 0, below = 0;
        for (int row = TwipScale().pixel(1480); row <= TwipScale().pixel(1920); ++row) {
            if (surfacePixel(canvas, column, row) != blackRgb)
                continue;
            above += row < axis ? 1 : 0;
            below += row > axis ? 1 : 0;
        }
        const int side = above > below ? 1 : below > above ? -1 : 0;
        if (side != 0) {
            if (previous != 0 && side != previous)
                ++crossings;
            previous = side;
        }
    }
    return crossings;
}

QImage band(Canvas& canvas)
{
    return canvas.snapshot().copy(QRect(0, 0, 6000 / 15 + 1, 2500 / 15 + 1));
}

} // namespace

class TestParams : public QObject {
    Q_OBJECT
private slots:
    void frequencyBars_data()
    {
        QTest::addColumn<bool>("twenty");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("relative");
        QTest::newRow("2-4 openings at 0") << false << 0 << "20"
                                           << "3.18";
        QTest::newRow("2-4 openings at 1") << false << 1 << "21"
                                           << "3.34";
        QTest::newRow("2-4 openings at 137: 25 exactly") << false << 137 << "157"
                                                         << "25.";
        QTest::newRow("2-4 openings at 180") << false << 180 << "200"
                                             << "31.85";
        QTest::newRow("20 openings at 0") << true << 0 << "5"
                                          << ".8";
        QTest::newRow("20 openings at 1") << true << 1 << "6"
                                          << ".96";
        QTest::newRow("20 openings at 10") << true << 10 << "15"
                                           << "2.39";
        QTest::newRow("20 openings at 40") << true << 40 << "45"
                                           << "7.17";
    }
    void frequencyBars()
    {
        QFETCH(bool, twenty);
        QFETCH(int, value);
        QFETCH(QString, frequency);
        QFETCH(QString, relative);
        for (const QLocale& locale : { QLocale::c(), QLocale(QLocale::Czech, QLocale::CzechRepublic) }) {
            ShownProgram shown(locale);
            const Bar bar = twenty ? Bar::Kmitocet20 : Bar::Kmitocet;
            if (twenty)
                shown.run(op20Click);
            // Move away first so that the put below is a change.
            shown.run([&](Ui& ui) { ui.setValue(bar, value == 5 ? 6 : 5); });
            shown.run([&](Ui& ui) { ui.setValue(bar, value); });
            QCOMPARE(shown.ui().text(Field::Kmitocet), frequency);
            QString expected = relative;
            expected.replace(u'.', locale.decimalPoint());
            QCOMPARE(shown.ui().text(Field::RelKmitocet), expected);
            QVERIFY(shown.sink.messages.isEmpty());
        }
    }

    void twentyOpeningsBarFirstShown()
    {
        ShownProgram shown;
        ScrollBar* bar = shown.ui().bar(Bar::Kmitocet20);
        QCOMPARE(bar->maximum(), 10);
        shown.run(op20Click);
        QCOMPARE(bar->maximum(), 40);
        QCOMPARE(bar->value(), 10);
        QVERIFY(bar->isVisible());
        QVERIFY(!shown.ui().bar(Bar::Kmitocet)->isVisible());
        // The user moves it; 4 and back to 20 resets it to 10.
        shown.run([](Ui& ui) { ui.setValue(Bar::Kmitocet20, 33); });
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("38"));
        shown.run(op4DirkyClick);
        QCOMPARE(bar->value(), 33);
        QVERIFY(!bar->isVisible());
        shown.run(op20Click);
        QCOMPARE(bar->value(), 10);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("15"));
    }

    void slowdown_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << 1 << "4";
        QTest::newRow("10000") << 10000 << "30001";
        QTest::newRow("back to 0") << 0 << "1";
    }
    void slowdown()
    {
        QFETCH(int, value);
        QFETCH(QString, text);
        ShownProgram shown;
        shown.run([](Ui& ui) { ui.setValue(Bar::Spomaleni, 7); });
        shown.canvas().takeDirty();
        shown.run([&](Ui& ui) { ui.setValue(Bar::Spomaleni, value); });
        QCOMPARE(shown.ui().text(Field::Spomaleni), text);
        // The slowdown draws nothing and leaves the frequency alone.
        QVERIFY(shown.canvas().takeDirty().isEmpty());
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("20"));
    }

    void unchangedPutRunsNothing()
    {
        ShownProgram shown;
        shown.ui().setText(Field::Kmitocet, QStringLiteral("marker"));
        shown.canvas().takeDirty();
        shown.run([](Ui& ui) { ui.setValue(Bar::Kmitocet, 0); });
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("marker"));
        QVERIFY(shown.canvas().takeDirty().isEmpty());
        shown.run([](Ui& ui) { ui.select(Option::Op4); });
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("marker"));
        QVERIFY(shown.sink.messages.isEmpty());
    }

    void outOfRangePutsAreErrors()
    {
        // Every put is checked in the handlers' Ui itself, for the window and
        // for this recording one alike: nothing of a bad put is applied.
        const std::pair<const char*, std::function<void(Ui&)>> puts[] = {
            { "DrawWidth 0", [](Ui& ui) { ui.setDrawWidth(0); } },
            { "DrawWidth 32768", [](Ui& ui) { ui.setDrawWidth(int16Max + 1); } },
            { "FillStyle -1", [](Ui& ui) { ui.setFillStyle(-1); } },
            { "FillStyle 8", [](Ui& ui) { ui.setFillStyle(8); } },
            { "FillColor", [](Ui& ui) { ui.setFillColor(0x1000000); } },
            { "ScaleMode 2", [](Ui& ui) { ui.setScaleMode(2); } },
            { "Max -1", [](Ui& ui) { ui.setMax(Bar::Spomaleni, -1); } },
            { "Max 32768", [](Ui& ui) { ui.setMax(Bar::Spomaleni, int16Max + 1); } },
            { "Value -1", [](Ui& ui) { ui.setValue(Bar::Kmitocet, -1); } },
            { "Value 181", [](Ui& ui) { ui.setValue(Bar::Kmitocet, 181); } },
        };
        for (const auto& [what, put] : puts) {
            RecordingUi ui;
            try {
                put(ui);
                QFAIL(what);
            } catch (const Error& error) {
                QCOMPARE(error.kind(), ErrorKind::PropertyValue);
                QVERIFY2(error.message().contains(QLatin1String(what)), qPrintable(error.message()));
            }
            QVERIFY2(ui.ops.empty() && ui.values == (std::array<int, 3> {}), what);
            QCOMPARE(ui.maxima, (std::array<int, 3> { 180, 10, 10000 }));
        }
    }

    void sixteenBitSum()
    {
        CountingUi ui;
        ui.values[size_t(Bar::Kmitocet)] = 32767;
        try {
            hScrollKmitocetChange(ui);
            QFAIL("no overflow");
        } catch (const Error& error) {
            QCOMPARE(error.kind(), ErrorKind::Overflow);
        }
        // Stopped before the frequency was written.
        QVERIFY(ui.fields[size_t(Field::Kmitocet)].isEmpty());
    }

    void startUpRunsTheFourOpeningSelectionOnce()
    {
        CountingUi ui;
        formLoad(ui);
        QCOMPARE(ui.clicks, (std::array<int, 4> { 0, 0, 1, 0 }));
        QCOMPARE(ui.changes, (std::array<int, 3> { 0, 0, 0 }));
        QCOMPARE(ui.stripRedraws(), 1);
        QCOMPARE(ui.fields[size_t(Field::Ndirek)], QStringLiteral("4"));
        QCOMPARE(ui.fields[size_t(Field::Kmitocet)], QStringLiteral("20"));
        QCOMPARE(ui.fields[size_t(Field::RelKmitocet)], QStringLiteral("3.18"));
        QCOMPARE(ui.fields[size_t(Field::Spomaleni)], QStringLiteral("1"));
        QVERIFY(ui.visible[size_t(Bar::Kmitocet)]);
        QVERIFY(!ui.visible[size_t(Bar::Kmitocet20)]);
    }

    void structureClicks_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("openings");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("relative");
        QTest::newRow("op2") << int(Option::Op2) << "2"
                             << "20"
                             << "3.18";
        QTest::newRow("op3Dirky") << int(Option::Op3) << "3"
                                  << "20"
                                  << "3.18";
        QTest::newRow("op4Dírky") << int(Option::Op4) << "4"
                                  << "20"
                                  << "3.18";
        QTest::newRow("op20") << int(Option::Op20) << "20"
                              << "15"
                              << "2.39";
    }
    void structureClicks()
    {
        QFETCH(int, option);
        QFETCH(QString, openings);
        QFETCH(QString, frequency);
        QFETCH(QString, relative);
        const bool twenty = Option(option) == Option::Op20;
        const Bar shownBar = twenty ? Bar::Kmitocet20 : Bar::Kmitocet;
        const int reset = twenty ? 10 : 0;
        // Once with the bar away from its reset value (its Change handler
        // runs nested), once with it there already (it does not).
        std::array<QString, 4> fieldsAfter[2];
        for (int nested = 0; nested < 2; ++nested) {
            CountingUi ui;
            ui.values[size_t(shownBar)] = nested ? reset + 7 : reset;
            ui.fields[size_t(Field::Spomaleni)] = QStringLiteral("4");
            ui.select(Option(option));
            QCOMPARE(ui.changes[size_t(shownBar)], nested);
            QCOMPARE(ui.stripRedraws(), 1 + nested);
            QCOMPARE(ui.values[size_t(shownBar)], reset);
            QCOMPARE(ui.visible[size_t(Bar::Kmitocet)], !twenty);
            QCOMPARE(ui.visible[size_t(Bar::Kmitocet20)], twenty);
            QCOMPARE(ui.fields[size_t(Field::Ndirek)], openings);
            QCOMPARE(ui.fields[size_t(Field::Kmitocet)], frequency);
            QCOMPARE(ui.fields[size_t(Field::RelKmitocet)], relative);
            QCOMPARE(ui.fields[size_t(Field::Spomaleni)], QStringLiteral("4"));
            // The strip is redrawn last, with the pen in force: none is set here.
            QCOMPARE(ui.count(Op::DrawWidth) + ui.count(Op::FillStyle) + ui.count(Op::FillColor), 0);
            fieldsAfter[nested] = ui.fields;
        }
        QCOMPARE(fieldsAfter[0], fieldsAfter[1]);
    }

    void structureClickPictureWithAndWithoutNestedHandler()
    {
        ShownProgram shown;
        shown.run([](Ui& ui) { ui.setValue(Bar::Kmitocet, 60); });
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("80"));
        shown.run(op3DirkyClick);
        const QImage nested = band(shown.canvas());
        QCOMPARE(shown.ui().value(Bar::Kmitocet), 0);
        shown.run(op4DirkyClick);
        QCOMPARE(band(shown.canvas()), nested);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("20"));
        QCOMPARE(shown.ui().text(Field::Ndirek), QStringLiteral("4"));
    }

    void stripOperations()
    {
        RecordingUi ui;
        ui.fields[size_t(Field::Kmitocet)] = QStringLiteral("20");
        strip::redraw(ui);
        QCOMPARE(ui.count(Op::Line), 2501LL);
        QCOMPARE(ui.count(Op::Circle), 5001LL);
        for (int y = 1; y <= 2500; ++y) {
            const Op& op = ui.ops[size_t(y - 1)];
            QVERIFY(op.a == 2 && op.c == 6000 && op.b == y && op.d == y && op.colour == grey);
        }
        const Op& axis = ui.ops[2500];
        QVERIFY(axis.a == 500 && axis.b == 1700 && axis.c == 5500 && axis.d == 1700 && !axis.hasColour);
        for (int i = 0; i <= 5000; i += 250) {
            const Op& mark = ui.ops[2501 + size_t(i)];
            QCOMPARE(mark.a, float(500 + i));
            QCOMPARE(mark.b, float(1700 - 200 * std::sin(i * (20.0 / 5000))));
            QCOMPARE(mark.c, 5.0f);
            QVERIFY(!mark.hasColour);
        }
        QCOMPARE(ui.fields[size_t(Field::RelKmitocet)], QStringLiteral("3.18"));
    }

    void stripFailsOnNonNumericFrequency()
    {
        RecordingUi ui;
        ui.fields[size_t(Field::Kmitocet)] = QStringLiteral("dvacet");
        try {
            strip::redraw(ui);
            QFAIL("no error");
        } catch (const Error& error) {
            QCOMPARE(error.kind(), ErrorKind::Conversion);
        }
        // The band was cleared and the axis drawn before the wave read the text.
        QCOMPARE(ui.count(Op::Line), 2501LL);
        QCOMPARE(ui.count(Op::Circle), 0LL);
    }

    void stripPeriods_data()
    {
        QTest::addColumn<int>("value");
        QTest::newRow("f 20") << 0;
        QTest::newRow("f 57") << 37;
        QTest::newRow("f 157") << 137;
        QTest::newRow("f 200") << 180;
    }
    void stripPeriods()
    {
        QFETCH(int, value);
        ShownProgram shown;
        shown.run([](Ui& ui) { ui.setValue(Bar::Kmitocet, 90); });
        shown.run([&](Ui& ui) { ui.setValue(Bar::Kmitocet, value); });
        const double f = value + 20;
        // Two axis crossings a period: the band holds f / 2π periods.
        const double periods = axisCrossings(shown.canvas()) / 2.0;
        QVERIFY2(std::fabs(periods - f / (2 * std::numbers::pi)) <= 0.5, qPrintable(QString::number(periods)));

        // Nothing of the previous curve (f 110) remains: the band equals one
        // drawn from scratch at this frequency.
        ShownProgram fresh;
        fresh.run([&](Ui& ui) { ui.setValue(Bar::Kmitocet, value == 0 ? 1 : value); });
        if (value == 0)
            fresh.run([](Ui& ui) { ui.setValue(Bar::Kmitocet, 0); });
        QCOMPARE(band(shown.canvas()), band(fresh.canvas()));
    }

    void negativeAndZeroFrequency()
    {
        RecordingUi ui;
        ui.fields[size_t(Field::Kmitocet)] = QStringLiteral("0");
        strip::drawWave(ui);
        for (const Op& op : ui.ops)
            QCOMPARE(op.b, 1700.0f);
        strip::refreshRelativeFrequency(ui);
        QCOMPARE(ui.fields[size_t(Field::RelKmitocet)], QStringLiteral("."));
        RecordingUi mirror;
        mirror.fields[size_t(Field::Kmitocet)] = QStringLiteral("-20");
        strip::drawWave(mirror);
        RecordingUi plain;
        plain.fields[size_t(Field::Kmitocet)] = QStringLiteral("20");
        strip::drawWave(plain);
        for (size_t i = 0; i < plain.ops.size(); i += 97)
            QCOMPARE(mirror.ops[i].b - 1700, -(plain.ops[i].b - 1700));
        strip::refreshRelativeFrequency(mirror);
        QCOMPARE(mirror.fields[size_t(Field::RelKmitocet)], QStringLiteral("-3.18"));
    }
};

BRELON_WIDGET_TEST_MAIN(TestParams)
#include "tst_params.moc"
