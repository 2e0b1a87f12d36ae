// The chains' segments worked out on a second thread: the same doubles as
// the scene mathematics, errors at the same segment, and no hang when a run
// ends early.

#include "diffraction/chains.h"
#include "diffraction/scene.h"

#include <QElapsedTimer>
#include <QTest>

#include <cfloat>
#include <type_traits>

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
        QTest::newRow("5000 openings: the worker waits for room") << 4999.0 << 200 << 20.0;
    }
    void sameValuesAsTheMathematics()
    {
        QFETCH(double, lastIndex);
        QFETCH(int, s);
        QFETCH(double, F);
        const int last = lastIndex > 1000 ? 40 : scene::scanRight;
        ChainSegments segments(scene::scanLeft, last, lastIndex, s, F);
        for (int X = scene::scanLeft; X <= last; ++X) {
            for (int m = 0; m <= lastIndex; ++m) {
                const scene::Point expected = scene::segment(X, m, s, F);
                const scene::Point got = segments.at(X, m);
                if (!(got == expected))
                    QFAIL(qPrintable(QStringLiteral("X %1, m %2").arg(X).arg(m)));
            }
        }
    }

    void noOpening()
    {
        // Nothing to work out: no thread, nothing asked.
        ChainSegments segments(0, 11950, -1, 200, 20);
        QCOMPARE(scene::chainEnd(5, -1, 200, 20), (scene::Point { 5, 3500 }));
        QVERIFY(!std::is_copy_constructible_v<ChainSegments>);
    }

    void errorAtTheSameSegment()
    {
        // r · F overflows once r exceeds 837 000.5, that is |x_m − X| above
        // about 915 twips: at X = 9000 opening 10 is the first to fail.
        const double F = DBL_MAX / 837000.5;
        ChainSegments segments(9000, 9100, 19, 60, F);
        for (int m = 0; m < 10; ++m)
            QCOMPARE(segments.at(9000, m), scene::segment(9000, m, 60, F));
        try {
            segments.at(9000, 10);
            QFAIL("no error");
        } catch (const Error& error) {
            QCOMPARE(error.kind(), ErrorKind::Overflow);
        }
        try {
            scene::segment(9000, 10, 60, F);
            QFAIL("the mathematics raises no error there");
        } catch (const Error& error) {
            QCOMPARE(error.kind(), ErrorKind::Overflow);
        }
    }

    void endingEarlyDoesNotHang()
    {
        for (int run = 0; run < 20; ++run) {
            ChainSegments segments(0, 11950, 19, 60, 15);
            segments.at(0, 0);
            segments.at(0, 19);
        }
        QElapsedTimer timer;
        timer.start();
        {
            ChainSegments untouched(0, 11950, 32767, 200, 20);
        }
        QVERIFY(timer.elapsed() < 5000);
    }
};

QTEST_GUILESS_MAIN(TestChains)
#include "tst_chains.moc"
