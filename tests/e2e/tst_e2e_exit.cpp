// SPDX-License-Identifier: GPL-3.0-or-later

// How the program ends: Konec, the window manager's close command, and that
// command during a run.

#include "tests/e2e/harness.h"

#include <QProcess>
#include <QTest>
#include <QThread>

#include <chrono>

using namespace brelon::e2e;
using namespace brelon::shot;

class E2EExit : public Harness {
    Q_OBJECT

private slots:
    void konecEndsProgram();
    void closeCommandEndsProgram();
    void closeCommandDuringARun();
};

void E2EExit::konecEndsProgram()
{
    E2E_DO(click(konecButton.center()));
    E2E_DO(waitForExit(5000));
}

void E2EExit::closeCommandEndsProgram()
{
    E2E_DO(requestClose());
    // No dialog holds the program: it ends on its own, with status 0.
    E2E_DO(waitForExit(5000));
}

void E2EExit::closeCommandDuringARun()
{
    // Slowdown 1000: a run of 3.6 s. The close request waits for its end.
    E2E_DO(setSlowdown(1000));
    const Seconds runLength(runSeconds(1000));
    E2E_DO(click(startButton.center()));
    const Clock::time_point started = Clock::now();
    QThread::msleep(1000);
    E2E_DO(requestClose());
    QThread::msleep(1000);
    QVERIFY2(m_app->state() == QProcess::Running, "the program ended during the run");
    Clock::time_point ended;
    E2E_DO(waitForExit(10000, &ended));
    const Clock::time_point end = started + std::chrono::duration_cast<Clock::duration>(runLength);
    qInfo("the program ended %.3f s after the run's end", seconds(ended - end));
    QVERIFY2(ended > end - std::chrono::milliseconds(250), "the program ended before the run's end");
    QVERIFY2(ended < end + std::chrono::milliseconds(1500), "the program ended long after the run");
}

QTEST_GUILESS_MAIN(E2EExit)

#include "tst_e2e_exit.moc"
