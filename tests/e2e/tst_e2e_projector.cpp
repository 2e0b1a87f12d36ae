// SPDX-License-Identifier: GPL-3.0-or-later

// The window magnified, as on a projector: maximised, resized during a run
// and back at the stored size, the scene drawn sharp at every zoom.

#include "tests/e2e/harness.h"

#include <QTest>
#include <QThread>

#include <algorithm>
#include <vector>

using namespace brelon::e2e;
using namespace brelon::shot;

class E2EProjector : public Harness {
    Q_OBJECT

private slots:
    void magnifiedOnAProjector();

private:
    void checkMagnifiedScene(const View& view, const QString& label);
};

void E2EProjector::checkMagnifiedScene(const View& view, const QString& label)
{
    // Four openings at frequency 20, drawn for the window's zoom: done once
    // every bar stands where the mathematics puts it and the picture holds still.
    const std::vector<int> tops = view.barTops(QStringLiteral("4"), 20);
    const int columns = std::min(view.content.width(), m_geometry.width() - view.origin.x());
    const auto top = [&](const QImage& shot, int c) {
        const int x = view.origin.x() + c;
        int row = view.baseline();
        while (row > 0 && isBlack(shot.pixel(x, row - 1)))
            --row;
        return row;
    };
    const auto mismatches = [&](const QImage& shot) {
        QStringList problems;
        for (int c = 0; c < columns; ++c)
            if (const int measured = top(shot, c); measured != tops[size_t(c)])
                problems << QStringLiteral("column %1: top %2, expected %3").arg(c).arg(measured).arg(tops[size_t(c)]);
        return problems;
    };
    QImage previous;
    const Shot done = pollShots(
        label,
        [&](const QImage& s) {
            const bool still = s == previous;
            previous = s;
            return still && unpainted(s, view).isEmpty() && mismatches(s).isEmpty();
        },
        20000);
    QVERIFY(!done.image.isNull());
    // Painted includes the illustration in whole blocks where the zoom puts the picture box.
    const QString notYet = unpainted(done.image, view);
    QVERIFY2(notYet.isEmpty(), qPrintable(label + QStringLiteral(": not painted: ") + notYet));
    const QStringList problems = mismatches(done.image);
    const QString count = QString::number(problems.size());
    QVERIFY2(problems.isEmpty(),
        qPrintable(QStringLiteral("%1: %2 columns differ: %3").arg(label, count, problems.mid(0, 4).join("; "))));
    // Sharp: from below the spirals down to the aperture only the drawing's
    // own colours, nothing blended or smoothed.
    const QRect bars(view.origin.x(), view.origin.y() + view.pixel(4500), columns, view.pixel(3400));
    const int other
        = countPixels(done.image, bars, [](QRgb p) { return !isBlack(p) && !isGrey(p) && (p & 0xFFFFFF) != 0xFFFFFF; });
    QVERIFY2(other == 0, qPrintable(QStringLiteral("%1: %2 pixels of other colours").arg(label).arg(other)));
    qInfo("%s: zoom %.4f, content at %d,%d, %d columns as the mathematics says", qPrintable(label), view.zoom,
        view.origin.x(), view.origin.y(), columns);
}

void E2EProjector::magnifiedOnAProjector()
{
    // A short slowdown, 1.1 s a run, so a resize can come during one.
    E2E_DO(setSlowdown(300));
    E2E_DO(pointerAway());

    // Maximised to a large screen: everything magnified twice, the buttons
    // where the zoom puts them; the magnified "Start" starts the run.
    E2E_DO(resizeWindow(QSize(1600, 1142)));
    const View two(m_geometry.size());
    QCOMPARE(two.zoom, 2.0);
    const QRect start = two.rect("cmdStart");
    // The window grows before it paints: until then the new part is black.
    const auto painted = [&](const QImage& s) { return unpainted(s, two).isEmpty(); };
    const Shot resized = pollShots(QStringLiteral("zoom-2"), painted, 20000);
    QVERIFY(!resized.image.isNull());
    const QString notYet = unpainted(resized.image, two);
    QVERIFY2(notYet.isEmpty(), qPrintable(QStringLiteral("not painted at zoom 2: ") + notYet));
    QVERIFY2(buttonShown(resized.image, start), "no button where the zoom puts Start");
    const QString look = storedLookProblem(resized.image, two);
    QVERIFY2(look.isEmpty(), qPrintable(look));
    E2E_DO(click(start.center()));
    E2E_DO(pointerAway());
    E2E_DO(checkMagnifiedScene(two, QStringLiteral("run at zoom 2")));

    // Resized to a wide window during the next run: centred, at 1.75, and
    // the whole picture at that zoom once the run is over.
    E2E_DO(click(start.center()));
    E2E_DO(pointerAway());
    QThread::msleep(300);
    E2E_DO(resizeWindow(QSize(1920, 1000)));
    const View wide(m_geometry.size());
    QVERIFY(wide.zoom > 1.75 && wide.zoom < 1.76);
    QVERIFY(wide.origin.x() > 250);
    E2E_DO(checkMagnifiedScene(wide, QStringLiteral("resized during a run")));

    // Back to the stored size: the same picture at 1:1.
    E2E_DO(resizeWindow(QSize(windowWidth, windowHeight)));
    E2E_DO(checkMagnifiedScene(View(m_geometry.size()), QStringLiteral("back at 1:1")));
}

QTEST_GUILESS_MAIN(E2EProjector)

#include "tst_e2e_projector.moc"
