// SPDX-License-Identifier: GPL-3.0-or-later

// A run: the whole scene where the mathematics puts it, drawn at the pace
// of the slowdown, kept when another window covers it, and a program that
// answers the window system all through a long run.

#include "tests/e2e/harness.h"

#include <QTest>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

using namespace brelon::e2e;
using namespace brelon::shot;
namespace scene = brelon::scene;

namespace {

// The whole client area.
const QRect whole(0, 0, windowWidth, windowHeight);

} // namespace

class E2ERun : public Harness {
    Q_OBJECT

private slots:
    void completeRun_data();
    void completeRun();
    void pacedRunThenKonec();
    void pictureSurvivesCoverUnmapAndRefresh();
    void pictureSurvivesCoverDuringRun();
    void aliveDuringALongRun();
};

void E2ERun::completeRun_data()
{
    QTest::addColumn<QString>("structure");
    QTest::addColumn<int>("frequency");
    QTest::newRow("2 openings") << QStringLiteral("2") << 20;
    QTest::newRow("20 openings") << QStringLiteral("20") << 15;
}

void E2ERun::completeRun()
{
    QFETCH(QString, structure);
    QFETCH(int, frequency);
    E2E_DO(clickOption(structure == QLatin1String("2") ? op2Rect : op20Rect));
    const Shot selected = pollShots(
        QStringLiteral("selected"), [&](const QImage& s) { return stripMismatches(s, frequency) == 0; }, 5000);
    QVERIFY(!selected.image.isNull());

    const std::vector<int> tops = expectedTops(structure, frequency);
    const int spirals = spiralBottom(structure);
    E2E_DO(click(startButton.center()));
    E2E_DO(pointerAway());
    // Done when every bar is in place and the picture holds still.
    const Shot done = pollFinishedScene(QStringLiteral("run"), tops, spirals, 15000);
    QVERIFY(!done.image.isNull());
    const QStringList problems = barMismatches(done.image, tops, spirals);
    QVERIFY2(problems.isEmpty(),
        qPrintable(QStringLiteral("%1 columns differ: %2").arg(problems.size()).arg(problems.mid(0, 5).join("; "))));

    // The incident wave of the run, and the tallest bar where the
    // mathematics puts it.
    QString first;
    QVERIFY2(stripMismatches(done.image, frequency, &first) == 0, qPrintable(first));
    const auto tallest = std::min_element(tops.begin(), tops.end());
    int measuredTallest = baselineRow;
    for (int c = 0; c < windowWidth; ++c)
        measuredTallest = std::min(measuredTallest, measuredTop(done.image, c));
    qInfo("%s openings: tallest bar top at row %d in column %d (measured %d)", qPrintable(structure), *tallest,
        int(tallest - tops.begin()), measuredTallest);
    QCOMPARE(measuredTallest, *tallest);
    if (structure == QLatin1String("2")) {
        // 1920 twips at X 9050: from 6500 up to 4580.
        QCOMPARE(measuredTop(done.image, 9050 / 15), pixelOf(6500 - 1920));
        QCOMPARE(*tallest, pixelOf(6500 - 1920));
        // The prompt went under the grey sweep (no spiral reaches it here).
        QCOMPARE(countPixels(done.image, promptRect, isGrey), promptRect.width() * promptRect.height());
    }
    // The aperture line with its openings, the white stubs under them.
    QVERIFY(isBlack(done.image.pixel(200, pixelOf(8000))));
    QVERIFY(isBlack(done.image.pixel(500, pixelOf(8000))));
    QCOMPARE(done.image.pixel(600, pixelOf(8300)) & 0xFFFFFF, 0xFFFFFFu);
}

void E2ERun::pacedRunThenKonec()
{
    // Slowdown 2000: 6001 decrements of 100 ns after each column, 0.6 ms.
    constexpr int slowdown = 2000;
    constexpr int count = 3 * slowdown + 1;
    const double perColumn = count * 100e-9;
    E2E_DO(setSlowdown(slowdown));

    const std::vector<int> tops = expectedTops(QStringLiteral("4"), 20);
    const int spirals = spiralBottom(QStringLiteral("4"));
    E2E_DO(click(startButton.center()));
    const Clock::time_point clicked = Clock::now();

    // Mid-run: the bars stand up to a front and nothing is drawn beyond it.
    const auto checkFront = [&](const Shot& shot, int front) {
        QVERIFY2(windowShown(shot.image), "the window is not shown");
        QVERIFY2(front > 0 && front < windowWidth - 20, qPrintable(QStringLiteral("front at %1").arg(front)));
        const QStringList behind = barMismatches(shot.image, tops, spirals, front);
        QVERIFY2(behind.isEmpty(), qPrintable(behind.mid(0, 3).join("; ")));
        for (int c = front + 1; c < windowWidth; ++c) {
            QVERIFY2(isGrey(shot.image.pixel(c, baselineRow - 1)),
                qPrintable(QStringLiteral("column %1 drawn beyond the front %2").arg(c).arg(front)));
        }
    };
    const auto begun = [&](const QImage& s) { return barFront(s, tops) >= 30; };
    const Shot early = pollShots(QStringLiteral("early"), begun, 20000);
    QVERIFY(!early.image.isNull());
    const int front1 = barFront(early.image, tops);
    E2E_DO(checkFront(early, front1));

    QThread::msleep(3000);
    E2E_SHOT(later, QStringLiteral("later"));
    const int front2 = barFront(later.image, tops);
    E2E_DO(checkFront(later, front2));

    const double elapsed = seconds(later.at - early.at);
    const double advance = (front2 - front1) * 15.0;
    const double expected = elapsed / perColumn;
    qInfo(
        "front at column %d after %.3f s, at %d after %.3f s: advance %.0f twips in %.3f s, expected %.0f (ratio %.3f)",
        front1, seconds(early.at - clicked), front2, seconds(later.at - clicked), advance, elapsed, expected,
        advance / expected);
    QVERIFY2(std::abs(advance / expected - 1) < 0.2, "the bars do not advance at 100 ns a decrement");

    // Konec during the run: the program goes on drawing and ends only after
    // the scene is complete.
    E2E_DO(click(konecButton.center()));
    const Clock::time_point konec = Clock::now();
    QVERIFY2(m_app->state() == QProcess::Running, "the program ended at once");
    QThread::msleep(300);
    E2E_SHOT(after, QStringLiteral("after-konec"));
    QVERIFY2(m_app->state() == QProcess::Running, "the program ended before the scene was complete");
    const int front3 = barFront(after.image, tops);
    E2E_DO(checkFront(after, front3));
    QVERIFY2(front3 > front2, qPrintable(QStringLiteral("the drawing stopped at %1").arg(front3)));

    // Each column ends on its deadline from the run's start: the last one
    // after the remaining columns' share of the slowdown.
    const double frontX = front2 * 15 + 7;
    const Clock::time_point complete
        = later.at + std::chrono::duration_cast<Clock::duration>(Seconds((scene::scanRight - frontX) * perColumn));
    Clock::time_point ended;
    E2E_DO(waitForExit(30000, &ended));
    qInfo("Konec clicked %.3f s before the expected end of the scene; the program ended %.3f s after it",
        seconds(complete - konec), seconds(ended - complete));
    QVERIFY2(ended > complete - std::chrono::milliseconds(250), "the program ended before the scene was complete");
    QVERIFY2(ended < complete + std::chrono::milliseconds(2500), "the program ended long after the scene");
}

void E2ERun::pictureSurvivesCoverUnmapAndRefresh()
{
    E2E_DO(click(startButton.center()));
    E2E_DO(pointerAway());
    const std::vector<int> tops = expectedTops(QStringLiteral("4"), 20);
    const int spirals = spiralBottom(QStringLiteral("4"));
    const Shot scene = pollFinishedScene(QStringLiteral("scene"), tops, spirals, 15000);
    QVERIFY(!scene.image.isNull());
    QVERIFY(barMismatches(scene.image, tops, spirals).isEmpty());
    const auto restored = [&](const QString& label) {
        const auto same = [&](const QImage& s) { return differingPixels(scene.image, s, whole) == 0; };
        const Shot shot = pollShots(label, same, 5000);
        QVERIFY(!shot.image.isNull());
        QString first;
        const int differ = differingPixels(scene.image, shot.image, whole, &first);
        QVERIFY2(differ == 0,
            qPrintable(QStringLiteral("%1: %2 pixels differ, first %3").arg(label).arg(differ).arg(first)));
    };

    // (a) Another window over the scene, then gone.
    const QRect covered(120, 250, 360, 220);
    E2E_DO(showCover(covered, QStringLiteral("covering the scene")));
    const Shot cover = pollShots(
        QStringLiteral("covered"), [&](const QImage& s) { return differingPixels(scene.image, s, covered) > 10000; },
        5000);
    QVERIFY(!cover.image.isNull());
    QVERIFY2(differingPixels(scene.image, cover.image, covered) > 10000, "the other window did not cover the scene");
    removeCover();
    E2E_DO(restored(QStringLiteral("uncovered")));

    // (b) The window unmapped and mapped again.
    E2E_DO(xdotool({ QStringLiteral("windowunmap"), QStringLiteral("--sync"), m_window }));
    E2E_SHOT(unmapped, QStringLiteral("unmapped"));
    QVERIFY2(differingPixels(scene.image, unmapped.image, whole) > 100000, "the window did not go away");
    E2E_DO(xdotool({ QStringLiteral("windowmap"), QStringLiteral("--sync"), m_window }));
    E2E_DO(restored(QStringLiteral("mapped")));

    // (c) Every window on the screen told to repaint itself.
    QVERIFY2(tool(QStringLiteral("xrefresh"), {}).ok, qPrintable(m_toolError));
    E2E_DO(restored(QStringLiteral("refreshed")));
    QVERIFY(m_app->state() == QProcess::Running);
}

void E2ERun::pictureSurvivesCoverDuringRun()
{
    // Slowdown 1500: 4501 decrements a column, a run of about 5.4 s, long
    // enough for a busy machine to cover and uncover the window during it.
    constexpr int slowdown = 1500;
    const double runLength = runSeconds(slowdown);
    E2E_DO(setSlowdown(slowdown));
    const std::vector<int> tops = expectedTops(QStringLiteral("4"), 20);
    const int spirals = spiralBottom(QStringLiteral("4"));

    // A run with a window over the scene for its first part.
    const QRect covered(60, 200, 420, 260);
    E2E_DO(click(startButton.center()));
    const Clock::time_point started = Clock::now();
    E2E_DO(showCover(covered, QStringLiteral("covering the scene during the run")));
    E2E_SHOT(cover, QStringLiteral("covered"));
    QThread::msleep(600);
    removeCover();
    const double uncoveredAt = seconds(Clock::now() - started);
    E2E_SHOT(uncovered, QStringLiteral("uncovered-mid-run"));
    qInfo("cover removed %.3f s into a run of %.3f s", uncoveredAt, runLength);
    QVERIFY2(uncoveredAt < runLength - 0.3, "the cover went only after the run; the machine is too slow for this test");
    E2E_DO(pointerAway());
    const Shot afterCover = pollFinishedScene(QStringLiteral("covered-run"), tops, spirals, 20000);
    QVERIFY(!afterCover.image.isNull());
    QVERIFY(barMismatches(afterCover.image, tops, spirals).isEmpty());

    // The same run again, uncovered: the same picture.
    E2E_DO(click(startButton.center()));
    E2E_DO(pointerAway());
    const Shot begun = pollShots(
        QStringLiteral("plain-begun"), [&](const QImage& s) { return !barMismatches(s, tops, spirals).isEmpty(); },
        5000);
    QVERIFY(!begun.image.isNull());
    QVERIFY2(!barMismatches(begun.image, tops, spirals).isEmpty(), "the second run did not begin");
    const Shot plain = pollFinishedScene(QStringLiteral("plain-run"), tops, spirals, 20000);
    QVERIFY(!plain.image.isNull());
    QVERIFY(barMismatches(plain.image, tops, spirals).isEmpty());
    QString first;
    const int differ = differingPixels(plain.image, afterCover.image, whole, &first);
    QVERIFY2(differ == 0, qPrintable(QStringLiteral("%1 pixels differ, first %2").arg(differ).arg(first)));
}

void E2ERun::aliveDuringALongRun()
{
    E2E_DO(pingAnswered(QStringLiteral("idle")));
    // The largest slowdown: 30001 decrements of 100 ns after each of the
    // 11951 columns, a run of 36 s.
    E2E_DO(setSlowdown(10000));
    const Seconds runLength(runSeconds(10000));
    E2E_DO(click(startButton.center()));
    const Clock::time_point started = Clock::now();
    E2E_DO(pointerAway());
    QThread::msleep(1000);
    E2E_DO(pingAnswered(QStringLiteral("1 s into the run")));

    // A click on "20" during the run changes nothing on screen yet: the strip
    // still shows frequency 20, not the 15 of 20 openings.
    E2E_DO(clickOption(op20Rect));
    E2E_DO(pointerAway());
    QThread::msleep(500);
    E2E_SHOT(held, QStringLiteral("click-held"));
    QString first;
    QVERIFY2(stripMismatches(held.image, 20, &first) == 0, qPrintable(first));
    QVERIFY(m_app->state() == QProcess::Running);

    for (const int at : { 5, 12, 20, 28, 34 }) {
        std::this_thread::sleep_until(started + std::chrono::seconds(at));
        E2E_DO(pingAnswered(QStringLiteral("%1 s into the run").arg(at)));
    }

    // After the run the held click takes effect, without any further input.
    const Clock::time_point end = started + std::chrono::duration_cast<Clock::duration>(runLength);
    Shot after;
    E2E_DO(expectStrip(15, QStringLiteral("after-run"), &after, 10000));
    qInfo("the held click took effect %.3f s after the run's end", seconds(after.at - end));
    QVERIFY2(after.at > end - std::chrono::milliseconds(250), "the click took effect during the run");
    QVERIFY2(after.at < end + std::chrono::milliseconds(500), "the held click took effect late");
    E2E_DO(pingAnswered(QStringLiteral("after the run")));
}

QTEST_GUILESS_MAIN(E2ERun)

#include "tst_e2e_run.moc"
