// SPDX-License-Identifier: GPL-3.0-or-later

// The browser's sine and cosine of a phase, reduced by the program: bit for
// bit what the C library's std::sin and std::cos give, for every phase of a
// choice of scenes, for the phases hardest to reduce, and outside the range
// the program reduces. BRELON_EVERY_SETTING=1 takes every scene a user can
// set (2, 3 or 4 openings at the frequency 20 to 200, 20 at 5 to 45): 29 267 999
// phases, some seconds under node.

#include "diffraction/scene.h"
#include "diffraction/sincos.h"

#include <QTest>

#include <emscripten.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

using namespace brelon;

namespace {

/// The same double, bit for bit (a zero's sign and a NaN's payload too).
bool same(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

/// Empty when the program's sine and cosine of \a phi are the library's.
QString differenceAt(double phi)
{
    const scene::SinCos got = scene::sinCos(phi);
    if (same(got.sin, std::sin(phi)) && same(got.cos, std::cos(phi)))
        return {};
    return QString::asprintf("φ %a: sin %a for %a, cos %a for %a", phi, got.sin, std::sin(phi), got.cos, std::cos(phi));
}

/// BRELON_EVERY_SETTING=1 in node's environment, which the C library's
/// getenv does not see.
bool everySetting()
{
    return EM_ASM_INT({ return typeof process != 'undefined' && process.env.BRELON_EVERY_SETTING == '1'; }) != 0;
}

} // namespace

class TestSinCos : public QObject {
    Q_OBJECT
private slots:
    void everyPhaseOfAScene_data()
    {
        QTest::addColumn<int>("openings");
        QTest::addColumn<int>("F");
        if (everySetting()) {
            for (const int openings : { 2, 3, 4, 20 }) {
                const auto [low, high] = openings == 20 ? std::pair(5, 45) : std::pair(20, 200);
                for (int F = low; F <= high; ++F)
                    QTest::addRow("%d openings, F %d", openings, F) << openings << F;
            }
            return;
        }
        // The ends of both ranges, the benchmark's scene, and the scenes of the
        // phase nearest a multiple of π/2 (y 2^-22) and of the one nearest an
        // odd multiple of π/4.
        QTest::newRow("2 openings, F 20: the least phase of 2-4") << 2 << 20;
        QTest::newRow("3 openings, F 137") << 3 << 137;
        QTest::newRow("4 openings, F 200: the largest phase") << 4 << 200;
        QTest::newRow("4 openings, F 191: the least y") << 4 << 191;
        QTest::newRow("4 openings, F 83: y nearest π/4") << 4 << 83;
        QTest::newRow("20 openings, F 5: the least phase") << 20 << 5;
        QTest::newRow("20 openings, F 15") << 20 << 15;
        QTest::newRow("20 openings, F 45") << 20 << 45;
    }
    void everyPhaseOfAScene()
    {
        QFETCH(int, openings);
        QFETCH(int, F);
        for (int X = scene::scanLeft; X <= scene::scanRight; ++X) {
            for (int m = 0; m < openings; ++m) {
                const QString difference = differenceAt(scene::phase(X, m, F));
                if (!difference.isEmpty())
                    QFAIL(qPrintable(QStringLiteral("X %1, m %2: %3").arg(X).arg(m).arg(difference)));
            }
        }
    }

    void hardestPhases()
    {
        // Of all the scenes' phases, y = φ − n · π/2 is smallest, 2^-22, at
        // X 4497 of F 191, and nearest ±π/4, 1.3 · 10⁻⁷ short, at X 4223 of
        // F 83 (opening 0 for both, in the rows above).
        QCOMPARE(scene::phase(4497, 0, 191), 0x1.30ed30318fca5p+27);
        QCOMPARE(differenceAt(0x1.30ed30318fca5p+27), QString());
        QCOMPARE(scene::phase(4223, 0, 83), 0x1.0903e0dbd5ff9p+26);
        QCOMPARE(differenceAt(0x1.0903e0dbd5ff9p+26), QString());
    }

    void beyondTheReducedRange_data()
    {
        QTest::addColumn<double>("phi");
        QTest::newRow("where the library reduces quickly") << 0x1.921fafffffffp+20;
        QTest::newRow("the first it reduces slowly") << 0x1.921fbp+20;
        QTest::newRow("the last reduced here") << std::nextafter(0x1.8p+27, 0.0);
        QTest::newRow("beyond") << 0x1.8p+27;
        QTest::newRow("a negative phase") << -1.0e7;
        QTest::newRow("zero") << 0.0;
        QTest::newRow("the largest double") << DBL_MAX;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
    }
    void beyondTheReducedRange()
    {
        QFETCH(double, phi);
        QCOMPARE(differenceAt(phi), QString());
    }

    void notANumber()
    {
        const scene::SinCos got = scene::sinCos(std::numeric_limits<double>::quiet_NaN());
        QVERIFY(std::isnan(got.sin) && std::isnan(got.cos));
    }
};

QTEST_GUILESS_MAIN(TestSinCos)
#include "tst_sincos.moc"
