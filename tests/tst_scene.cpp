// SPDX-License-Identifier: GPL-3.0-or-later

// The scene mathematics on its own: phases, chains, intensity scales and the
// tallest bar of whole scans, against values worked out independently.

#include "diffraction/scene.h"

#include <QTest>

#include <cmath>

using namespace brelon;
using namespace brelon::scene;

class TestScene : public QObject {
    Q_OBJECT
private slots:
    void geometry()
    {
        QCOMPARE(patternY, 6500.0);
        QCOMPARE(spiralY, 3500.0);
        QCOMPARE(scanLeft, 0);
        QCOMPARE(scanRight, 11950);
        QCOMPARE(phaseDistanceSquared, 700569000000.0);
        QCOMPARE(openingX(3), 9300.0);
        QCOMPARE(openingX(19), 10900.0);
    }

    void phaseStraightBelowTheFirstOpening()
    {
        // r_0 is exactly 837 000 at X = 9000, so φ_0 = 16 740 000 at F = 20.
        QCOMPARE(phase(9000, 0, 20), 16740000.0);
        const double r1 = std::sqrt(100.0 * 100.0 + 837000.0 * 837000.0);
        QCOMPARE(phase(9000, 1, 20), r1 * 20);
        // The segment follows the phase at full precision: single precision
        // would be off by radians here. Its cosine and sine are the C
        // library's at run time (the compiler's own, folding a constant,
        // may differ from it in the last places).
        const Point d = segment(9000, 0, 190, 20);
        volatile double phi = 16740000.0;
        QCOMPARE(d.x, 190 * std::cos(phi));
        QCOMPARE(d.y, 190 * std::sin(phi));
    }

    void straightChainBetweenTwoOpenings()
    {
        // At X = 9050 both openings are 50 twips away: equal phases, a
        // straight chain of 2 · 200 twips.
        for (double F : { 5.0, 20.0, 157.0 }) {
            const Point end = chainEnd(9050, 1, 200, F);
            QVERIFY(std::fabs(std::hypot(end.x - 9050, end.y - 3500) - 400) < 1e-9);
            QCOMPARE(intensity(9050, end), std::pow(std::hypot(end.x - 9050, end.y - 3500), 2));
            QVERIFY(std::fabs(barLength(intensity(9050, end), intensityScale(u"2", F)) - 1920) < 1e-6);
        }
    }

    void chainsOfOddStructureTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("lastIndex");
        QTest::addColumn<int>("s");
        QTest::addColumn<bool>("scaled");
        QTest::newRow("0: no opening") << "0" << -1.0 << 200 << false;
        QTest::newRow("1: one segment") << "1" << 0.0 << 200 << false;
        QTest::newRow("5: outside the table") << "5" << 4.0 << 200 << false;
        QTest::newRow("02: compared as text") << "02" << 1.0 << 200 << false;
        QTest::newRow("2") << "2" << 1.0 << 200 << true;
        QTest::newRow("3") << "3" << 2.0 << 200 << true;
        QTest::newRow("4") << "4" << 3.0 << 190 << true;
        QTest::newRow("20") << "20" << 19.0 << 60 << true;
        QTest::newRow("20 with a blank") << "20 " << 19.0 << 200 << false;
    }
    void chainsOfOddStructureTexts()
    {
        QFETCH(QString, text);
        QFETCH(double, lastIndex);
        QFETCH(int, s);
        QFETCH(bool, scaled);
        QCOMPARE(phasorLength(text), s);
        QCOMPARE(intensityScale(text, 20).has_value(), scaled);
        const Point end = chainEnd(1234, lastIndex, s, 20);
        if (lastIndex < 0) {
            QCOMPARE(end, (Point { 1234, 3500 }));
            QCOMPARE(barLength(intensity(1234, end), intensityScale(text, 20)), 0.0);
        } else if (lastIndex == 0) {
            // One segment: its length is s whatever the phase, I = s².
            QVERIFY(std::fabs(intensity(1234, end) - double(s) * s) < 1e-6);
        }
    }

    void intensityScaleReference_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("F");
        QTest::addColumn<double>("k");
        QTest::newRow("2, F 20") << "2" << 20.0 << 0.012;
        QTest::newRow("2, F 200") << "2" << 200.0 << 0.012;
        QTest::newRow("3, F 20") << "3" << 20.0 << 0.005;
        QTest::newRow("4, F 20") << "4" << 20.0 << 0.003;
        QTest::newRow("4, F 200") << "4" << 200.0 << 0.00624;
        QTest::newRow("20, F 5") << "20" << 5.0 << 0.003667;
        QTest::newRow("20, F 15") << "20" << 15.0 << 0.01036203;
        QTest::newRow("20, F 32, band is strict") << "20" << 32.0 << 0.0133862467;
        QTest::newRow("20, F 33, in the band") << "20" << 33.0 << 0.0100952472;
        QTest::newRow("20, F 39, in the band") << "20" << 39.0 << 0.0070207128;
        QTest::newRow("20, F 40, band is strict") << "20" << 40.0 << 0.0111678675;
        QTest::newRow("20, F 45") << "20" << 45.0 << 0.00859788;
    }
    void intensityScaleReference()
    {
        QFETCH(QString, text);
        QFETCH(double, F);
        QFETCH(double, k);
        const std::optional<double> scale = intensityScale(text, F);
        QVERIFY(scale.has_value());
        QVERIFY2(std::fabs(*scale - k) < 5e-11, qPrintable(QString::number(*scale, 'g', 17)));
    }

    void negativeScaleOutsideTheRange()
    {
        // Far above the scroll range the scale for 20 openings turns negative
        // and the bar points down from the baseline.
        QVERIFY(*intensityScale(u"20", 60) < 0);
        QVERIFY(barLength(1000, intensityScale(u"20", 60)) < 0);
    }

    void tallestBarOfAScan_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("F");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("column");
        QTest::newRow("2 openings, F 20") << "2" << 20.0 << 1920 << 9050;
        QTest::newRow("3 openings, F 20") << "3" << 20.0 << 1794 << 1211;
        QTest::newRow("4 openings, F 20") << "4" << 20.0 << 1708 << 1261;
        QTest::newRow("20 openings, F 15") << "20" << 15.0 << 2049 << 3466;
        QTest::newRow("20 openings, F 40") << "20" << 40.0 << 2710 << 134;
    }
    void tallestBarOfAScan()
    {
        QFETCH(QString, text);
        QFETCH(double, F);
        QFETCH(int, height);
        QFETCH(int, column);
        const double lastIndex = text.toDouble() - 1;
        const int s = phasorLength(text);
        double best = -1;
        int bestX = -1;
        for (int X = scanLeft; X <= scanRight; ++X) {
            const double L = barLength(intensity(X, chainEnd(X, lastIndex, s, F)), intensityScale(text, F));
            if (L > best) {
                best = L;
                bestX = X;
            }
        }
        QCOMPARE(qRound(best), height);
        QCOMPARE(bestX, column);
    }
};

QTEST_GUILESS_MAIN(TestScene)
#include "tst_scene.moc"
