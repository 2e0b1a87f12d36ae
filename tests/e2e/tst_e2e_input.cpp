// SPDX-License-Identifier: GPL-3.0-or-later

// The input that changes the incident wave: the structure's option
// buttons, the frequency bar's arrows and keys, and its thumb dragged.

#include "tests/e2e/harness.h"

#include <QTest>
#include <QThread>

#include <cmath>
#include <numbers>

using namespace brelon::e2e;
using namespace brelon::shot;

class E2EInput : public Harness {
    Q_OBJECT

private slots:
    void structureChangeRedrawsStrip();
    void frequencyArrowsAndKeys();
    void thumbDragRedrawsOnRelease();
};

void E2EInput::structureChangeRedrawsStrip()
{
    const auto barPixels = [](const QImage& shot, int from, int to) {
        return countPixels(
            shot, QRect(from, barBand.top(), to - from + 1, barBand.height()), [](QRgb p) { return !isGrey(p); });
    };

    E2E_DO(clickOption(op2Rect));
    Shot two;
    E2E_DO(expectStrip(20, QStringLiteral("op2"), &two));
    QCOMPARE(upwardCrossings(two.image), 3);

    E2E_DO(clickOption(op20Rect));
    Shot twenty;
    E2E_DO(expectStrip(15, QStringLiteral("op20"), &twenty));
    // 15 / 2π = 2.39 periods.
    QCOMPARE(upwardCrossings(twenty.image), 2);
    // The shorter bar for 20 openings stands in the place of the long one:
    // the long one's ends are gone, the short one is drawn from end to end.
    QCOMPARE(barPixels(twenty.image, frequencyBar.left(), frequencyBar20.left() - 1), 0);
    QCOMPARE(barPixels(twenty.image, frequencyBar20.right() + 1, frequencyBar.right()), 0);
    QVERIFY(barPixels(twenty.image, frequencyBar20.left(), frequencyBar20.left() + 3) > 20);
    QVERIFY(barPixels(twenty.image, frequencyBar20.right() - 3, frequencyBar20.right()) > 20);
    QVERIFY(differingPixels(two.image, twenty.image, frequencyBar20) > 50);

    E2E_DO(clickOption(op4Rect));
    Shot four;
    E2E_DO(expectStrip(20, QStringLiteral("op4"), &four));
    // 20 / 2π = 3.18 periods, and the long bar is back.
    QCOMPARE(upwardCrossings(four.image), 3);
    QVERIFY(barPixels(four.image, frequencyBar.left(), frequencyBar20.left() - 1) > 20);
    QVERIFY(barPixels(four.image, frequencyBar20.right() + 1, frequencyBar.right()) > 20);
}

void E2EInput::frequencyArrowsAndKeys()
{
    const auto expectWave = [this](int f, const QString& label) {
        Shot shot;
        E2E_DO(expectStrip(f, label, &shot));
        const int crossings = upwardCrossings(shot.image);
        qInfo("f %d: %d upward crossings, %.2f periods", f, crossings, f / (2 * std::numbers::pi));
        QCOMPARE(crossings, int(std::floor(f / (2 * std::numbers::pi))));
    };

    // Ten clicks on the right arrow: frequency 20 + 10.
    E2E_DO(xdotool(
        { QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(frequencyBar.right() - 6),
            QString::number(barRow), QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("10"),
            QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1") }));
    E2E_DO(expectWave(30, QStringLiteral("arrows")));

    // The clicked bar has the focus: End and Home reach both ends.
    E2E_DO(xdotool({ QStringLiteral("key"), QStringLiteral("End") }));
    E2E_DO(expectWave(200, QStringLiteral("end")));
    E2E_DO(xdotool({ QStringLiteral("key"), QStringLiteral("Home") }));
    E2E_DO(expectWave(20, QStringLiteral("home")));
    E2E_DO(xdotool({ QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("--repeat"),
        QStringLiteral("25"), QStringLiteral("Right") }));
    E2E_DO(expectWave(45, QStringLiteral("right")));
}

void E2EInput::thumbDragRedrawsOnRelease()
{
    E2E_DO(clickOption(op2Rect));
    Shot before;
    E2E_DO(expectStrip(20, QStringLiteral("before"), &before));

    // Grab the thumb at value 0 (just right of the left arrow) and pull it
    // 75 pixels to the right, in steps, without letting go.
    const int grab = frequencyBar.left() + 27;
    const int pulled = grab + 75;
    E2E_DO(xdotool({ QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(grab),
        QString::number(barRow), QStringLiteral("mousedown"), QStringLiteral("1") }));
    m_buttonDown = true;
    for (int x = grab + 15; x <= pulled; x += 15) {
        E2E_DO(xdotool({ QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(x),
            QString::number(barRow) }));
        QThread::msleep(30);
    }
    // The thumb follows the pointer; the strip stays as it was.
    // Done when the thumb has left its place and rests where the pointer holds it.
    QImage previous;
    const Shot dragging = pollShots(
        QStringLiteral("dragging"),
        [&](const QImage& s) {
            const QImage bar = s.copy(barBand);
            const bool still = bar == previous;
            previous = bar;
            return still && differingPixels(before.image, s, barBand) > 50;
        },
        10000);
    QVERIFY(!dragging.image.isNull());
    QVERIFY2(differingPixels(before.image, dragging.image, barBand) > 50, "the thumb did not follow the pointer");
    QThread::msleep(300);
    E2E_SHOT(held, QStringLiteral("held"));
    QString first;
    QVERIFY2(stripMismatches(held.image, 20, &first) == 0,
        qPrintable(QStringLiteral("the strip changed during the drag: ") + first));

    E2E_DO(xdotool({ QStringLiteral("mouseup"), QStringLiteral("1") }));
    m_buttonDown = false;
    // Which frequency does the new strip show? Done when it is exactly one
    // of the bar's range other than the old one.
    const auto shownFrequency = [](const QImage& s) {
        for (int f = 21; f <= 200; ++f)
            if (stripMismatches(s, f) == 0)
                return f;
        return -1;
    };
    int shown = -1;
    const Shot after = pollShots(
        QStringLiteral("released"), [&](const QImage& s) { return (shown = shownFrequency(s)) > 0; }, 10000);
    QVERIFY(!after.image.isNull());
    QVERIFY2(shown > 20, "after the release the strip shows no wave of the bar's range");
    // The thumb travelled 75 of the track's 123 free pixels for 180 values.
    const double estimate = 20 + 75.0 * 180 / 123;
    qInfo("thumb released: frequency %d, estimated %.0f from the travel", shown, estimate);
    QVERIFY2(std::abs(shown - estimate) < 25, qPrintable(QStringLiteral("frequency %1").arg(shown)));
    QCOMPARE(upwardCrossings(after.image), int(std::floor(shown / (2 * std::numbers::pi))));
}

QTEST_GUILESS_MAIN(E2EInput)

#include "tst_e2e_input.moc"
