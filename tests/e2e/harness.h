// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The end-to-end suites' harness: the real program in a private X server
// (Xvfb), driven with xdotool, judged by screenshots taken with ImageMagick's
// import and by the program's exit status. Each suite is a Harness with its
// tests as private slots; the harness starts the X server once a suite and
// the program afresh for every test.
//
// Every process started here is ended by its own id in cleanup() or
// cleanupTestCase(); the children are also told to die with the test, so a
// test killed by its runner leaves no X server behind.
//
// BRELON_E2E_BINARY=PATH tests another build of the program (an installed
// one, say). BRELON_E2E_SHOTS=DIR keeps every screenshot as a PNG in DIR. A
// failed test leaves its last screenshot in the temporary folder and says
// where.

#include "diffraction/scene.h"
#include "tests/e2e/shotcheck.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace brelon::e2e {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

double seconds(Clock::duration d);

/// \brief The length of a run at a slowdown: after each of the scan's
/// columns, 3 · slowdown + 1 decrements of 100 ns.
double runSeconds(int slowdown);

/// The widgets shown after start-up that lie on the window itself, not on
/// another one (the option buttons lie in the frame, the bar for 20 openings
/// in the long bar's place); the prompt is judged apart from them.
inline constexpr std::string_view visibleWidgets[] = { "nTitul", "HScrollSpomaleni", "cmdStart", "cmdKonec",
    "nNomKmitočet", "Picture1", "nVlny", "nRelKmitočet", "HScrollKmitočet", "nSměs", "nCornu", "nMřížka" };

int differingPixels(const QImage& a, const QImage& b, const QRect& area, QString* first = nullptr);
int countPixels(const QImage& shot, const QRect& area, const std::function<bool(QRgb)>& test);

/// \brief Where a window of a given size puts the scene and its widgets: the
/// zoom that fits the 800 × 571 pixel surface into it, the content centred.
struct View {
    double zoom = 1;
    QPoint origin;
    QSize content;

    explicit View(QSize window)
        : zoom(std::max(1.0, std::min(window.width() / 800.0, window.height() / 571.0)))
        , content(int(std::ceil(800 * zoom)), int(std::ceil(571 * zoom)))
    {
        origin = { std::max(0, (window.width() - content.width()) / 2),
            std::max(0, (window.height() - content.height()) / 2) };
    }
    /// The surface's pixel that holds a coordinate in twips (single precision).
    int pixel(double twips) const { return int(std::floor(double(float(twips)) * zoom / 15)); }
    /// A pen of one pixel at the stored size, and where it starts before its pixel.
    int pen() const { return std::max(1, int(std::lround(zoom))); }
    int penOffset() const { return (pen() - 1) / 2; }
    /// A rectangle in twips of the client area, in the window.
    QRect rect(const QRect& twips) const
    {
        const auto edge = [this](int t) { return int(std::lround(t * zoom / 15)); };
        return QRect(QPoint(edge(twips.left()), edge(twips.top())),
            QPoint(edge(twips.left() + twips.width()) - 1, edge(twips.top() + twips.height()) - 1))
            .translated(origin);
    }
    /// A widget's rectangle in the window.
    QRect rect(std::string_view widget) const { return rect(test::clientTwips(test::storedWidget(widget))); }
    /// The top row of the baseline under the bars, in the window.
    int baseline() const { return origin.y() + pixel(scene::patternY) - penOffset(); }
    /// The top row of each column's bar in the window, from the scene
    /// mathematics; the baseline's row where no bar rises.
    std::vector<int> barTops(const QString& structure, double F) const;
};

/// \brief What is wrong with the structure frame as the stored window draws
/// it: its option buttons on the window's grey and within the frame's border.
QString storedLookProblem(const QImage& shot, const View& view);

/// \brief Whether a push button is painted at \a rect: its face down the
/// column just inside its border (left of its text), the window's grey just
/// outside.
bool buttonShown(const QImage& shot, const QRect& rect);

/// \brief Where the screenshot shows the window not yet painted at the view's
/// zoom, or an empty string when it is painted: the window system shows
/// black wherever the program has not painted since the window was mapped or
/// grew. Each shown widget must be mostly free of black (captions are black
/// letters on grey), both buttons show their face, and the illustration its
/// zero-order beam and blue peak.
QString unpainted(const QImage& shot, const View& view);

// Ends the calling test function when a helper has recorded a failure.
#define E2E_DO(call)                                                                                                   \
    do {                                                                                                               \
        call;                                                                                                          \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)

// Takes a screenshot into a new variable; a failed screenshot fails the test.
#define E2E_SHOT(var, label)                                                                                           \
    const Shot var = shoot(label);                                                                                     \
    QVERIFY2(!(var).image.isNull(), qPrintable(m_toolError))

/// \brief The X server of a suite, the program of a test, and the tools that
/// drive and watch it. The helpers that check record a failure as a test
/// does; E2E_DO ends the calling test then.
class Harness : public QObject {
    Q_OBJECT

protected:
    struct Shot {
        QImage image; ///< the window's client area
        Clock::time_point at; ///< the middle of the capture
    };
    struct ToolResult {
        bool ok = false; ///< started, finished normally with status 0
        QByteArray out;
    };

    ToolResult tool(const QString& program, const QStringList& arguments, int timeoutMs = 10000);
    void xdotool(const QStringList& arguments, int timeoutMs = 10000);
    Shot shoot(const QString& label);
    Shot pollShots(const QString& label, const std::function<bool(const QImage&)>& done, int timeoutMs);
    /// Polls until the incident-wave strip shows frequency \a f, into \a shot.
    void expectStrip(int f, const QString& label, Shot* shot, int timeoutMs = 5000);
    /// Polls until every bar of a run stands where \a tops puts it and the
    /// picture holds still.
    Shot pollFinishedScene(const QString& label, const std::vector<int>& tops, int spirals, int timeoutMs);
    void click(const QPoint& at);
    void clickOption(const QRect& option);
    void pointerAway();
    void setSlowdown(int value);
    void waitForExit(int timeoutMs, Clock::time_point* when = nullptr);
    void pingAnswered(const QString& when);
    void requestClose();
    void showCover(const QRect& area, const QString& text);
    void removeCover();
    void resizeWindow(QSize size);

    std::unique_ptr<QProcess> m_app;
    QString m_window;
    QRect m_geometry;
    QString m_toolError;
    bool m_buttonDown = false;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

private:
    void configure(QProcess& process) const;
    void launch();
    void readGeometry();
    QString programOutput();

    QProcessEnvironment m_env;
    std::unique_ptr<QTemporaryDir> m_runtimeDir;
    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_cover;
    QImage m_lastShot;
    QString m_shotsDir;
    int m_shotCount = 0;
};

} // namespace brelon::e2e
