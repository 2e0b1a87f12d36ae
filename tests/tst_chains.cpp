// SPDX-License-Identifier: GPL-3.0-or-later

// The chains' ends worked out by a second thread and the drawing thread: the
// same doubles as the scene mathematics and as the drawing thread alone (the
// browser's way), no end for a column whose arithmetic fails, and no hang
// when a run ends early.

#include "diffraction/chains.h"
#include "diffraction/scene.h"
#include "surface/core/errors.h"

#include <QElapsedTimer>
#include <QTest>

#include <cfloat>
#include <type_traits>
#include <utility>

using namespace brelon;

class TestChains : public QObject {
    Q_OBJECT
private slots:
    void sameValuesAsTheMathematics_data()
    {
        QTest::addColumn<double>("lastIndex");
        QTest::addColumn<int>("s");
        QTest::addColumn<double>("F");
        QTest::newRow("20 openings, F 15") << 19.0 << 60 << 15.0;
        QTest::newRow("4 openings, F 200") << 3.0 << 190 << 200.0;
        QTest::newRow("1 opening") << 0.0 << 200 << 20.0;
        QTest::newRow("fractional index: 2 openings") << 1.5 << 200 << 20.0;
        QTest::newRow("no opening") << -1.0 << 200 << 20.0;
    }
    void sameValuesAsTheMathematics()
    {
        QFETCH(double, lastIndex);
        QFETCH(int, s);
        QFETCH(double, F);
        ChainEnds chains(scene::scanLeft, scene::scanRight, lastIndex, s, F);
        for (int X = scene::scanLeft; X <= scene::scanRight; ++X) {
            const std::optional<scene::Point> end = chains.take(X);
            if (!end || !(*end == scene::chainEnd(X, lastIndex, s, F)))
                QFAIL(qPrintable(QStringLiteral("X %1").arg(X)));
        }
        QVERIFY(!std::is_copy_constructible_v<ChainEnds>);
    }

    void sameWithoutASecondThread()
    {
        // Every scene a user can set: 2, 3 or 4 openings at the frequency
        // 20 to 200, 20 openings at 5 to 45. Worked out all on the drawing
        // thread, as in the browser, the ends are those of two threads.
        int scenes = 0;
        for (const int openings : { 2, 3, 4, 20 }) {
            const QString structure = QString::number(openings);
            const int s = scene::phasorLength(structure);
            const auto [low, high] = openings == 20 ? std::pair(5, 45) : std::pair(20, 200);
            for (int F = low; F <= high; ++F, ++scenes) {
                ChainEnds beside(scene::scanLeft, scene::scanRight, openings - 1, s, F);
                ChainEnds alone(scene::scanLeft, scene::scanRight, openings - 1, s, F, nullptr);
                for (int X = scene::scanLeft; X <= scene::scanRight; ++X) {
                    if (!(beside.take(X) == alone.take(X)))
                        QFAIL(qPrintable(QStringLiteral("%1 openings, F %2, X %3").arg(openings).arg(F).arg(X)));
                }
            }
        }
        QCOMPARE(scenes, 3 * 181 + 41);
    }

    void failingColumnHasNoEnd()
    {
        // r · F overflows once r exceeds 837 000.5, that is |x_m − X| above
        // about 915 twips: at X = 8999 opening 10 is the first to fail, while
        // ten openings lie within reach of X = 9450.
        const double F = DBL_MAX / 837000.5;
        ChainEnds chains(9450, 9451, 9, 60, F);
        QCOMPARE(chains.take(9450), scene::chainEnd(9450, 9, 60, F));
        ChainEnds failing(8999, 9100, 19, 60, F);
        QVERIFY(!failing.take(8999));
        QVERIFY_THROWS_EXCEPTION(Error, scene::chainEnd(8999, 19, 60, F));
    }

    void endingEarlyDoesNotHang()
    {
        for (int run = 0; run < 20; ++run) {
            ChainEnds chains(0, 11950, 19, 60, 15);
            chains.take(0);
        }
        QElapsedTimer timer;
        timer.start();
        {
            ChainEnds untouched(0, 11950, 32767, 200, 20);
        }
        QVERIFY(timer.elapsed() < 5000);
    }
};

QTEST_GUILESS_MAIN(TestChains)
#include "tst_chains.moc"
