// SPDX-License-Identifier: GPL-3.0-or-later

// End-to-end tests of the program as a person meets it: the real binary in a
// private X server (Xvfb), driven with xdotool, judged by screenshots taken
// with ImageMagick's import and by the program's exit status.
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
#include "tests/storedlook.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <functional>
#include <memory>
#include <numbers>
#include <string_view>
#include <thread>
#include <vector>

namespace scene = brelon::scene;
namespace test = brelon::test;
using namespace brelon::shot;

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

/// The widgets shown after start-up that lie on the window itself, not on
/// another one (the option buttons lie in the frame, the bar for 20 openings
/// in the long bar's place); the prompt is judged apart from them.
constexpr std::string_view visibleWidgets[] = { "nTitul", "HScrollSpomaleni", "cmdStart", "cmdKonec", "nNomKmitočet",
    "Picture1", "nVlny", "nRelKmitočet", "HScrollKmitočet", "nSměs", "nCornu", "nMřížka" };

int differingPixels(const QImage& a, const QImage& b, const QRect& area, QString* first = nullptr)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((a.pixel(x, y) & 0xFFFFFF) == (b.pixel(x, y) & 0xFFFFFF))
                continue;
            if (count++ == 0 && first)
                *first = QStringLiteral("(%1, %2): %3 against %4")
                             .arg(x)
                             .arg(y)
                             .arg(hex(a.pixel(x, y)), hex(b.pixel(x, y)));
        }
    }
    return count;
}

int countPixels(const QImage& shot, const QRect& area, const std::function<bool(QRgb)>& test)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(shot.pixel(x, y)) ? 1 : 0;
    return count;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration_cast<Seconds>(d).count();
}

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
    std::vector<int> barTops(const QString& structure, double F) const
    {
        const int openings = structure.toInt();
        const int s = scene::phasorLength(structure);
        const auto k = scene::intensityScale(structure, F);
        std::vector<int> tops(size_t(content.width()), baseline());
        for (int X = scene::scanLeft; X <= scene::scanRight; ++X) {
            const double L = scene::barLength(scene::intensity(X, scene::chainEnd(X, openings - 1, s, F)), k);
            const int top = origin.y() + pixel(scene::patternY - L) - penOffset();
            for (int c = pixel(X) - penOffset(); c < pixel(X) - penOffset() + pen(); ++c)
                if (c >= 0 && c < content.width())
                    tops[size_t(c)] = std::min(tops[size_t(c)], top);
        }
        return tops;
    }
};

/// \brief What is wrong with the structure frame as the stored window draws
/// it: its option buttons on the window's grey and within the frame's border.
QString storedLookProblem(const QImage& shot, const View& view)
{
    std::vector<QRect> options;
    for (const test::StoredWidget& widget : test::storedLayout)
        if (test::inStructureFrame(widget))
            options.push_back(view.rect(test::clientTwips(widget)));
    for (const QRect& option : options)
        if (QString problem = test::optionBackgroundProblem(shot, option, options); !problem.isEmpty())
            return problem;
    return test::frameProblem(shot, view.rect(test::structureFrame), options);
}

/// \brief Whether a colour is a push button's face: Fusion's light, neutral gradient.
bool isButtonFace(QRgb pixel)
{
    return qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel) && qRed(pixel) >= 0xE0;
}

/// \brief Whether a push button is painted at \a rect: its face down the
/// column just inside its border (left of its text), the window's grey just
/// outside.
bool buttonShown(const QImage& shot, const QRect& rect)
{
    const int inset = std::max(4, rect.height() / 8);
    for (int y = rect.top() + inset; y <= rect.bottom() - inset; ++y)
        if (!isButtonFace(shot.pixel(rect.left() + 2, y)))
            return false;
    return isGrey(shot.pixel(rect.left() - 2, rect.center().y()));
}

/// \brief Where the screenshot shows the window not yet painted at the view's
/// zoom, or an empty string when it is painted: the window system shows
/// black wherever the program has not painted since the window was mapped or
/// grew. Each shown widget must be mostly free of black (captions are black
/// letters on grey), both buttons show their face, and the illustration its
/// zero-order beam and blue peak.
QString unpainted(const QImage& shot, const View& view)
{
    const QRect window = shot.rect();
    for (const std::string_view widget : visibleWidgets) {
        const QRect rect = view.rect(widget).intersected(window);
        if (rect.isEmpty())
            continue;
        const int black = countPixels(shot, rect, isBlack);
        if (2 * black > rect.width() * rect.height())
            return QStringLiteral("the widget at %1,%2 is black").arg(rect.x()).arg(rect.y());
    }
    for (const std::string_view button : { "cmdStart", "cmdKonec" }) {
        const QRect rect = view.rect(button);
        if (window.contains(rect) && !buttonShown(shot, rect))
            return QStringLiteral("no button face at %1,%2").arg(rect.x()).arg(rect.y());
    }
    const QPoint picture = view.rect("Picture1").topLeft();
    const auto at
        = [&](int x, int y) { return picture + QPoint(int((x + 0.5) * view.zoom), int((y + 0.5) * view.zoom)); };
    if (!window.contains(at(198, 60)) || (shot.pixel(at(198, 60)) & 0xFFFFFF) != 0xFFFFFF
        || (shot.pixel(at(137, 45)) & 0xFFFFFF) != (qRgb(0, 143, 223) & 0xFFFFFF))
        return QStringLiteral("no illustration at %1,%2").arg(picture.x()).arg(picture.y());
    return {};
}

} // namespace

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

class E2E : public QObject {
    Q_OBJECT

    struct Shot {
        QImage image; ///< the window's client area
        Clock::time_point at; ///< the middle of the capture
    };
    struct ToolResult {
        bool ok = false; ///< started, finished normally with status 0
        QByteArray out;
    };

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void firstView();
    void structureChangeRedrawsStrip();
    void frequencyArrowsAndKeys();
    void thumbDragRedrawsOnRelease();
    void completeRun_data();
    void completeRun();
    void pacedRunThenKonec();
    void konecEndsProgram();
    void closeCommandEndsProgram();
    void pictureSurvivesCoverUnmapAndRefresh();
    void pictureSurvivesCoverDuringRun();
    void aliveDuringALongRun();
    void closeCommandDuringARun();
    void magnifiedOnAProjector();

private:
    void configure(QProcess& process) const;
    ToolResult tool(const QString& program, const QStringList& arguments, int timeoutMs = 10000);
    void xdotool(const QStringList& arguments, int timeoutMs = 10000);
    void launch();
    void readGeometry();
    Shot shoot(const QString& label);
    Shot pollShots(const QString& label, const std::function<bool(const QImage&)>& done, int timeoutMs);
    void click(const QPoint& at);
    void clickOption(const QRect& option);
    void pointerAway();
    void setSlowdown(int value);
    void waitForExit(int timeoutMs, Clock::time_point* when = nullptr);
    void pingAnswered(const QString& when);
    void resizeWindow(QSize size);
    void checkMagnifiedScene(const View& view, const QString& label);
    QString programOutput();

    QProcessEnvironment m_env;
    std::unique_ptr<QTemporaryDir> m_runtimeDir;
    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_app;
    std::unique_ptr<QProcess> m_cover;
    QString m_window;
    QRect m_geometry;
    QImage m_lastShot;
    QString m_toolError;
    QString m_shotsDir;
    bool m_buttonDown = false;
    int m_shotCount = 0;
};

void E2E::configure(QProcess& process) const
{
    process.setProcessEnvironment(m_env);
    // A test killed by its runner takes its children with it.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

E2E::ToolResult E2E::tool(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    configure(process);
    process.start(program, arguments);
    const QString command = program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    if (!process.waitForStarted(10000)) {
        m_toolError = QStringLiteral("%1: %2").arg(command, process.errorString());
        return {};
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        m_toolError = QStringLiteral("%1: no answer within %2 ms").arg(command).arg(timeoutMs);
        return {};
    }
    const QByteArray out = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_toolError = QStringLiteral("%1: exit status %2: %3")
                          .arg(command)
                          .arg(process.exitCode())
                          .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return {};
    }
    return { true, out };
}

void E2E::xdotool(const QStringList& arguments, int timeoutMs)
{
    QVERIFY2(tool(QStringLiteral("xdotool"), arguments, timeoutMs).ok, qPrintable(m_toolError));
}

void E2E::initTestCase()
{
    for (const char* needed : { "Xvfb", "xdotool", "import", "xmessage", "xrefresh" }) {
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(needed)).isEmpty(),
            qPrintable(QStringLiteral("%1 is missing: run scripts/setup.sh --test").arg(needed)));
    }
    m_shotsDir = qEnvironmentVariable("BRELON_E2E_SHOTS");
    if (!m_shotsDir.isEmpty())
        QDir().mkpath(m_shotsDir);

    m_runtimeDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtimeDir->isValid());
    QFile::setPermissions(m_runtimeDir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // The program runs exactly as a user would start it on an X desktop: no
    // platform, scaling or style overrides from the test's own environment.
    m_env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
             "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_STYLE_OVERRIDE",
             "XAUTHORITY", "DISPLAY" })
        m_env.remove(QString::fromLatin1(name));
    m_env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir->path());

    // A private X server on the first free display; it writes the display
    // number it took to its standard output.
    m_xvfb = std::make_unique<QProcess>();
    configure(*m_xvfb);
    m_xvfb->setProcessChannelMode(QProcess::SeparateChannels);
    m_xvfb->start(QStringLiteral("Xvfb"),
        { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("1920x1200x24"), QStringLiteral("-dpi"), QStringLiteral("96"), QStringLiteral("-nolisten"),
            QStringLiteral("tcp"), QStringLiteral("-noreset") });
    QVERIFY2(m_xvfb->waitForStarted(10000), qPrintable(m_xvfb->errorString()));
    QByteArray number;
    QElapsedTimer waited;
    waited.start();
    while (!number.contains('\n') && waited.elapsed() < 20000 && m_xvfb->state() == QProcess::Running) {
        m_xvfb->waitForReadyRead(200);
        number += m_xvfb->readAllStandardOutput();
    }
    QVERIFY2(number.trimmed().size() > 0,
        qPrintable(
            QStringLiteral("Xvfb told no display: %1").arg(QString::fromLocal8Bit(m_xvfb->readAllStandardError()))));
    const QString display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    m_env.insert(QStringLiteral("DISPLAY"), display);
    qInfo("X server on display %s", qPrintable(display));
}

void E2E::cleanupTestCase()
{
    if (m_xvfb && m_xvfb->state() != QProcess::NotRunning) {
        m_xvfb->terminate();
        if (!m_xvfb->waitForFinished(5000)) {
            m_xvfb->kill();
            m_xvfb->waitForFinished(5000);
        }
    }
    m_xvfb.reset();
}

void E2E::init()
{
    m_lastShot = QImage();
    E2E_DO(launch());
}

void E2E::cleanup()
{
    if (QTest::currentTestFailed()) {
        if (!m_lastShot.isNull()) {
            const QString path = QDir::temp().filePath(
                QStringLiteral("brelon-e2e-%1.png").arg(QString::fromLatin1(QTest::currentTestFunction())));
            m_lastShot.save(path);
            qWarning("last screenshot: %s", qPrintable(path));
        }
        if (m_app)
            qWarning("program output: %s", qPrintable(programOutput()));
    }
    if (m_buttonDown) {
        tool(QStringLiteral("xdotool"), { QStringLiteral("mouseup"), QStringLiteral("1") });
        m_buttonDown = false;
    }
    for (std::unique_ptr<QProcess>* process : { &m_cover, &m_app }) {
        if (*process && (*process)->state() != QProcess::NotRunning) {
            (*process)->kill();
            (*process)->waitForFinished(5000);
        }
        process->reset();
    }
    m_window.clear();
}

QString E2E::programOutput()
{
    return QString::fromLocal8Bit(m_app->readAllStandardOutput() + m_app->readAllStandardError()).trimmed();
}

void E2E::launch()
{
    QVERIFY(m_xvfb && m_xvfb->state() == QProcess::Running);
    m_app = std::make_unique<QProcess>();
    configure(*m_app);
    m_app->start(qEnvironmentVariable("BRELON_E2E_BINARY", QStringLiteral(BRELON_BINARY)), {});
    QVERIFY2(m_app->waitForStarted(10000), qPrintable(m_app->errorString()));

    // The program's own window, once it is shown, found by its caption.
    const ToolResult found = tool(QStringLiteral("xdotool"),
        { QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
            QStringLiteral("--pid"), QString::number(m_app->processId()), QStringLiteral("--name"),
            QStringLiteral("^Brelon - www\\.example\\.org$") },
        20000);
    QVERIFY2(found.ok, qPrintable(m_toolError + QStringLiteral("; program output: ") + programOutput()));
    const QStringList windows = QString::fromLatin1(found.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(windows.size(), 1);
    m_window = windows.first();

    E2E_DO(readGeometry());
    QCOMPARE(m_geometry.size(), QSize(windowWidth, windowHeight));
    QVERIFY2(QRect(0, 0, 1920, 1200).contains(m_geometry), "the window lies partly off the screen");

    // Shown is not yet painted: wait until every widget and the illustration are.
    const View view(m_geometry.size());
    const Shot first = pollShots(
        QStringLiteral("launched"), [&](const QImage& shot) { return unpainted(shot, view).isEmpty(); }, 20000);
    QVERIFY2(!first.image.isNull(), qPrintable(m_toolError));
    const QString notYet = unpainted(first.image, view);
    QVERIFY2(notYet.isEmpty(), qPrintable(QStringLiteral("the window was not painted: ") + notYet));
}

void E2E::readGeometry()
{
    const ToolResult geometry
        = tool(QStringLiteral("xdotool"), { QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), m_window });
    QVERIFY2(geometry.ok, qPrintable(m_toolError));
    QMap<QString, int> values;
    for (const QString& line : QString::fromLatin1(geometry.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList pair = line.split(QLatin1Char('='));
        if (pair.size() == 2)
            values[pair[0]] = pair[1].toInt();
    }
    m_geometry = QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
        values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
}

E2E::Shot E2E::shoot(const QString& label)
{
    // The window's part of the screen only.
    const Clock::time_point before = Clock::now();
    const ToolResult grabbed = tool(QStringLiteral("import"),
        { QStringLiteral("-silent"), QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
            QStringLiteral("%1x%2+%3+%4")
                .arg(m_geometry.width())
                .arg(m_geometry.height())
                .arg(m_geometry.x())
                .arg(m_geometry.y()),
            QStringLiteral("+repage"), QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("ppm:-") });
    const Clock::time_point after = Clock::now();
    if (!grabbed.ok)
        return {};
    QImage window;
    if (!window.loadFromData(grabbed.out, "PPM")) {
        m_toolError = QStringLiteral("import gave no readable picture");
        return {};
    }
    Shot shot { window.convertToFormat(QImage::Format_RGB32), before + (after - before) / 2 };
    m_lastShot = shot.image;
    if (!m_shotsDir.isEmpty()) {
        shot.image.save(QDir(m_shotsDir)
                            .filePath(QStringLiteral("%1-%2-%3.png")
                                          .arg(++m_shotCount, 3, 10, QLatin1Char('0'))
                                          .arg(QString::fromLatin1(QTest::currentTestFunction()), label)));
    }
    return shot;
}

E2E::Shot E2E::pollShots(const QString& label, const std::function<bool(const QImage&)>& done, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Shot shot;
    do {
        shot = shoot(label);
        if (shot.image.isNull() || done(shot.image))
            return shot;
        QThread::msleep(30);
    } while (Clock::now() < deadline);
    return shot;
}

void E2E::click(const QPoint& at)
{
    E2E_DO(xdotool({ QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(at.x()),
        QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1") }));
}

void E2E::clickOption(const QRect& option)
{
    // On the round indicator at the button's left.
    click(QPoint(option.left() + 6, option.center().y()));
}

void E2E::pointerAway()
{
    // Off the window, so no hover or focus change depends on where it was.
    xdotool({ QStringLiteral("mousemove"), QString::number(1010), QString::number(760) });
}

void E2E::setSlowdown(int value)
{
    // A click on the left arrow at 0 moves nothing but gives the bar the
    // focus; each Right key then adds 1, End goes to the largest, 10000.
    E2E_DO(click(QPoint(slowdownBar.left() + 6, slowdownBar.center().y())));
    if (value == 10000)
        E2E_DO(xdotool({ QStringLiteral("key"), QStringLiteral("End") }));
    else
        E2E_DO(xdotool({ QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("0"),
                           QStringLiteral("--repeat"), QString::number(value), QStringLiteral("Right") },
            60000));
    // The thumb stops once the program has taken every key: the same place
    // in three shots in a row. Input that follows (a click on "Start", say)
    // queues behind the keys in any case, so nothing hangs on this but the
    // moment the test takes for the click.
    QImage previous;
    int same = 0;
    const Shot settled = pollShots(
        QStringLiteral("slowdown"),
        [&](const QImage& shot) {
            const QImage bar = shot.copy(slowdownBar);
            same = bar == previous ? same + 1 : 0;
            previous = bar;
            return same >= 2;
        },
        30000);
    QVERIFY(!settled.image.isNull());
    QVERIFY2(same >= 2, "the slowdown bar's thumb did not come to rest");
}

void E2E::waitForExit(int timeoutMs, Clock::time_point* when)
{
    const bool finished = m_app->waitForFinished(timeoutMs);
    if (when)
        *when = Clock::now();
    QVERIFY2(finished, "the program is still running");
    QCOMPARE(m_app->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_app->exitCode(), 0);
}

void E2E::pingAnswered(const QString& when)
{
    // A desktop calls a window that leaves this unanswered for 5 s hung.
    const ToolResult answer
        = tool(QStringLiteral(BRELON_WM), { QStringLiteral("ping"), m_window, QStringLiteral("200") }, 10000);
    QVERIFY2(answer.ok, qPrintable(when + QStringLiteral(": ") + m_toolError));
    qInfo("ping %s: answered in %s ms", qPrintable(when), answer.out.trimmed().constData());
}

void E2E::firstView()
{
    E2E_SHOT(shot, QStringLiteral("first-view"));

    // The caption, as the window system knows it.
    const ToolResult name = tool(QStringLiteral("xdotool"), { QStringLiteral("getwindowname"), m_window });
    QVERIFY2(name.ok, qPrintable(m_toolError));
    QCOMPARE(QString::fromUtf8(name.out).trimmed(), QStringLiteral("Brelon - www.example.org"));

    // Nothing is drawn yet: outside the widgets and the prompt the whole
    // client area, the strip band and the pattern baseline included, is
    // background grey.
    std::vector<QRect> widgets { promptRect };
    for (const std::string_view widget : visibleWidgets)
        widgets.push_back(brelon::test::clientPixels(brelon::test::storedWidget(widget)));
    int drawn = 0;
    QString first;
    for (int y = 0; y < windowHeight; ++y) {
        for (int x = 0; x < windowWidth; ++x) {
            const bool covered
                = std::any_of(widgets.begin(), widgets.end(), [&](const QRect& r) { return r.contains(x, y); });
            if (covered || isGrey(shot.image.pixel(x, y)))
                continue;
            if (drawn++ == 0)
                first = QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(hex(shot.image.pixel(x, y)));
        }
    }
    QVERIFY2(drawn == 0, qPrintable(QStringLiteral("%1 drawn pixels, first %2").arg(drawn).arg(first)));
    for (int x = 0; x < windowWidth; ++x)
        QVERIFY2(!isBlack(shot.image.pixel(x, baselineRow)), qPrintable(QStringLiteral("baseline at %1").arg(x)));

    // The option buttons on the window's grey, inside the frame's border.
    const QString look = storedLookProblem(shot.image, View(m_geometry.size()));
    QVERIFY2(look.isEmpty(), qPrintable(look));

    // The prompt: dark letters on grey inside the label.
    const int letters = countPixels(shot.image, promptRect, isDark);
    QVERIFY2(letters > 300, qPrintable(QStringLiteral("%1 dark pixels in the prompt").arg(letters)));
    QVERIFY(countPixels(shot.image, promptRect, isGrey) > promptRect.width() * promptRect.height() / 2);

    // The illustration, unscaled from the picture box's top left.
    const QPoint origin = pictureRect.topLeft();
    const struct {
        QPoint at;
        QRgb colour;
        const char* what;
    } illustration[] = {
        { { 5, 5 }, qRgb(191, 192, 191), "background" },
        { { 198, 60 }, qRgb(255, 255, 255), "zero-order beam" },
        { { 198, 10 }, qRgb(255, 255, 255), "zero-order peak" },
        { { 137, 3 }, qRgb(0, 143, 223), "blue peak" },
        { { 90, 3 }, qRgb(176, 216, 127), "green peak" },
        { { 36, 2 }, qRgb(224, 119, 112), "red peak" },
        { { 100, 54 }, qRgb(31, 24, 16), "screen line" },
        { { 50, 115 }, qRgb(31, 24, 16), "grating bar" },
        { { 160, 115 }, qRgb(191, 192, 191), "opening" },
        { { 200, 125 }, qRgb(255, 255, 255), "incident light" },
    };
    for (const auto& point : illustration) {
        const QRgb pixel = shot.image.pixel(origin + point.at) & 0xFFFFFF;
        QVERIFY2(pixel == (point.colour & 0xFFFFFF),
            qPrintable(
                QStringLiteral("%1 at %2,%3: %4").arg(point.what).arg(point.at.x()).arg(point.at.y()).arg(hex(pixel))));
    }
}

void E2E::structureChangeRedrawsStrip()
{
    const auto barPixels = [](const QImage& shot, int from, int to) {
        return countPixels(
            shot, QRect(from, barBand.top(), to - from + 1, barBand.height()), [](QRgb p) { return !isGrey(p); });
    };

    E2E_DO(clickOption(op2Rect));
    Shot two = pollShots(
        QStringLiteral("op2"), [](const QImage& s) { return stripMismatches(s, 20) == 0; }, 5000);
    QVERIFY(!two.image.isNull());
    QString first;
    QVERIFY2(stripMismatches(two.image, 20, &first) == 0, qPrintable(first));
    QCOMPARE(upwardCrossings(two.image), 3);

    E2E_DO(clickOption(op20Rect));
    Shot twenty = pollShots(
        QStringLiteral("op20"), [](const QImage& s) { return stripMismatches(s, 15) == 0; }, 5000);
    QVERIFY(!twenty.image.isNull());
    QVERIFY2(stripMismatches(twenty.image, 15, &first) == 0, qPrintable(first));
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
    Shot four = pollShots(
        QStringLiteral("op4"), [](const QImage& s) { return stripMismatches(s, 20) == 0; }, 5000);
    QVERIFY(!four.image.isNull());
    QVERIFY2(stripMismatches(four.image, 20, &first) == 0, qPrintable(first));
    // 20 / 2π = 3.18 periods, and the long bar is back.
    QCOMPARE(upwardCrossings(four.image), 3);
    QVERIFY(barPixels(four.image, frequencyBar.left(), frequencyBar20.left() - 1) > 20);
    QVERIFY(barPixels(four.image, frequencyBar20.right() + 1, frequencyBar.right()) > 20);
}

void E2E::frequencyArrowsAndKeys()
{
    const auto expectStrip = [this](int f, const QString& label) {
        const Shot shot = pollShots(
            label, [f](const QImage& s) { return stripMismatches(s, f) == 0; }, 5000);
        QVERIFY(!shot.image.isNull());
        QString first;
        const int wrong = stripMismatches(shot.image, f, &first);
        QVERIFY2(
            wrong == 0, qPrintable(QStringLiteral("f %1: %2 pixels differ, first %3").arg(f).arg(wrong).arg(first)));
        const int crossings = upwardCrossings(shot.image);
        qInfo("f %d: %d upward crossings, %.2f periods", f, crossings, f / (2 * std::numbers::pi));
        QCOMPARE(crossings, int(std::floor(f / (2 * std::numbers::pi))));
    };

    // Ten clicks on the right arrow: frequency 20 + 10.
    E2E_DO(xdotool(
        { QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(frequencyBar.right() - 6),
            QString::number(barRow), QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("10"),
            QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1") }));
    E2E_DO(expectStrip(30, QStringLiteral("arrows")));

    // The clicked bar has the focus: End and Home reach both ends.
    E2E_DO(xdotool({ QStringLiteral("key"), QStringLiteral("End") }));
    E2E_DO(expectStrip(200, QStringLiteral("end")));
    E2E_DO(xdotool({ QStringLiteral("key"), QStringLiteral("Home") }));
    E2E_DO(expectStrip(20, QStringLiteral("home")));
    E2E_DO(xdotool({ QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("--repeat"),
        QStringLiteral("25"), QStringLiteral("Right") }));
    E2E_DO(expectStrip(45, QStringLiteral("right")));
}

void E2E::thumbDragRedrawsOnRelease()
{
    E2E_DO(clickOption(op2Rect));
    const Shot before = pollShots(
        QStringLiteral("before"), [](const QImage& s) { return stripMismatches(s, 20) == 0; }, 5000);
    QVERIFY(!before.image.isNull());
    QString first;
    QVERIFY2(stripMismatches(before.image, 20, &first) == 0, qPrintable(first));

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

void E2E::completeRun_data()
{
    QTest::addColumn<QString>("structure");
    QTest::addColumn<int>("frequency");
    QTest::newRow("2 openings") << QStringLiteral("2") << 20;
    QTest::newRow("20 openings") << QStringLiteral("20") << 15;
}

void E2E::completeRun()
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
    QImage previous;
    const Shot done = pollShots(
        QStringLiteral("run"),
        [&](const QImage& s) {
            const bool still = s == previous;
            previous = s;
            return still && barMismatches(s, tops, spirals).isEmpty();
        },
        15000);
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

void E2E::pacedRunThenKonec()
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
    const Shot early = pollShots(
        QStringLiteral("early"), [&](const QImage& s) { return barFront(s, tops) >= 30; }, 20000);
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

void E2E::konecEndsProgram()
{
    E2E_DO(click(konecButton.center()));
    E2E_DO(waitForExit(5000));
}

void E2E::closeCommandEndsProgram()
{
    // What a window manager's close button sends; no window manager runs here.
    const ToolResult sent = tool(QStringLiteral(BRELON_WM), { QStringLiteral("delete"), m_window });
    QVERIFY2(sent.ok, qPrintable(m_toolError));
    // No dialog holds the program: it ends on its own, with status 0.
    E2E_DO(waitForExit(5000));
}

void E2E::aliveDuringALongRun()
{
    E2E_DO(pingAnswered(QStringLiteral("idle")));
    // The largest slowdown: 30001 decrements of 100 ns after each of the
    // 11951 columns, a run of 36 s.
    E2E_DO(setSlowdown(10000));
    const Seconds runLength(11951 * 30001 * 100e-9);
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
    const Shot after = pollShots(
        QStringLiteral("after-run"), [](const QImage& s) { return stripMismatches(s, 15) == 0; }, 10000);
    QVERIFY(!after.image.isNull());
    QVERIFY2(stripMismatches(after.image, 15, &first) == 0, qPrintable(first));
    qInfo("the held click took effect %.3f s after the run's end", seconds(after.at - end));
    QVERIFY2(after.at > end - std::chrono::milliseconds(250), "the click took effect during the run");
    QVERIFY2(after.at < end + std::chrono::milliseconds(500), "the held click took effect late");
    E2E_DO(pingAnswered(QStringLiteral("after the run")));
}

void E2E::closeCommandDuringARun()
{
    // Slowdown 1000: a run of 3.6 s. The close request waits for its end.
    E2E_DO(setSlowdown(1000));
    const Seconds runLength(11951 * 3001 * 100e-9);
    E2E_DO(click(startButton.center()));
    const Clock::time_point started = Clock::now();
    QThread::msleep(1000);
    const ToolResult sent = tool(QStringLiteral(BRELON_WM), { QStringLiteral("delete"), m_window });
    QVERIFY2(sent.ok, qPrintable(m_toolError));
    QThread::msleep(1000);
    QVERIFY2(m_app->state() == QProcess::Running, "the program ended during the run");
    Clock::time_point ended;
    E2E_DO(waitForExit(10000, &ended));
    const Clock::time_point end = started + std::chrono::duration_cast<Clock::duration>(runLength);
    qInfo("the program ended %.3f s after the run's end", seconds(ended - end));
    QVERIFY2(ended > end - std::chrono::milliseconds(250), "the program ended before the run's end");
    QVERIFY2(ended < end + std::chrono::milliseconds(1500), "the program ended long after the run");
}

void E2E::resizeWindow(QSize size)
{
    // As a window manager resizes the frame; none runs here.
    E2E_DO(xdotool(
        { QStringLiteral("windowsize"), m_window, QString::number(size.width()), QString::number(size.height()) }));
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(20);
    while (m_geometry.size() != size && Clock::now() < deadline) {
        QThread::msleep(20);
        E2E_DO(readGeometry());
    }
    QCOMPARE(m_geometry.size(), size);
}

void E2E::checkMagnifiedScene(const View& view, const QString& label)
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
    QVERIFY2(problems.isEmpty(),
        qPrintable(QStringLiteral("%1: %2 columns differ: %3")
                       .arg(label)
                       .arg(problems.size())
                       .arg(problems.mid(0, 4).join("; "))));
    // Sharp: from below the spirals down to the aperture only the drawing's
    // own colours, nothing blended or smoothed.
    const QRect bars(view.origin.x(), view.origin.y() + view.pixel(4500), columns, view.pixel(3400));
    const int other
        = countPixels(done.image, bars, [](QRgb p) { return !isBlack(p) && !isGrey(p) && (p & 0xFFFFFF) != 0xFFFFFF; });
    QVERIFY2(other == 0, qPrintable(QStringLiteral("%1: %2 pixels of other colours").arg(label).arg(other)));
    qInfo("%s: zoom %.4f, content at %d,%d, %d columns as the mathematics says", qPrintable(label), view.zoom,
        view.origin.x(), view.origin.y(), columns);
}

void E2E::magnifiedOnAProjector()
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
    const Shot resized = pollShots(
        QStringLiteral("zoom-2"), [&](const QImage& s) { return unpainted(s, two).isEmpty(); }, 20000);
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

void E2E::pictureSurvivesCoverUnmapAndRefresh()
{
    E2E_DO(click(startButton.center()));
    E2E_DO(pointerAway());
    const std::vector<int> tops = expectedTops(QStringLiteral("4"), 20);
    const int spirals = spiralBottom(QStringLiteral("4"));
    QImage previous;
    const Shot scene = pollShots(
        QStringLiteral("scene"),
        [&](const QImage& s) {
            const bool still = s == previous;
            previous = s;
            return still && barMismatches(s, tops, spirals).isEmpty();
        },
        15000);
    QVERIFY(!scene.image.isNull());
    QVERIFY(barMismatches(scene.image, tops, spirals).isEmpty());
    const QRect whole(0, 0, windowWidth, windowHeight);
    const auto restored = [&](const QString& label) {
        const Shot shot = pollShots(
            label, [&](const QImage& s) { return differingPixels(scene.image, s, whole) == 0; }, 5000);
        QVERIFY(!shot.image.isNull());
        QString first;
        const int differ = differingPixels(scene.image, shot.image, whole, &first);
        QVERIFY2(differ == 0,
            qPrintable(QStringLiteral("%1: %2 pixels differ, first %3").arg(label).arg(differ).arg(first)));
    };

    // (a) Another window over the scene, then gone.
    const QRect covered(120, 250, 360, 220);
    m_cover = std::make_unique<QProcess>();
    configure(*m_cover);
    m_cover->start(QStringLiteral("xmessage"),
        { QStringLiteral("-title"), QStringLiteral("brelon-e2e-cover"), QStringLiteral("-geometry"),
            QStringLiteral("%1x%2+%3+%4")
                .arg(covered.width())
                .arg(covered.height())
                .arg(m_geometry.x() + covered.x())
                .arg(m_geometry.y() + covered.y()),
            QStringLiteral("covering the scene") });
    QVERIFY2(m_cover->waitForStarted(5000), qPrintable(m_cover->errorString()));
    E2E_DO(xdotool({ QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
        QStringLiteral("--name"), QStringLiteral("^brelon-e2e-cover$") }));
    const Shot cover = pollShots(
        QStringLiteral("covered"), [&](const QImage& s) { return differingPixels(scene.image, s, covered) > 10000; },
        5000);
    QVERIFY(!cover.image.isNull());
    QVERIFY2(differingPixels(scene.image, cover.image, covered) > 10000, "the other window did not cover the scene");
    m_cover->kill();
    m_cover->waitForFinished(5000);
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

void E2E::pictureSurvivesCoverDuringRun()
{
    // Slowdown 1500: 4501 decrements a column, a run of about 5.4 s, long
    // enough for a busy machine to cover and uncover the window during it.
    constexpr int slowdown = 1500;
    const double runSeconds = (scene::scanRight + 1) * (3 * slowdown + 1) * 100e-9;
    E2E_DO(setSlowdown(slowdown));
    const std::vector<int> tops = expectedTops(QStringLiteral("4"), 20);
    const int spirals = spiralBottom(QStringLiteral("4"));
    const QRect whole(0, 0, windowWidth, windowHeight);
    const auto finished = [&](const QString& label) {
        QImage previous;
        return pollShots(
            label,
            [&](const QImage& s) {
                const bool still = s == previous;
                previous = s;
                return still && barMismatches(s, tops, spirals).isEmpty();
            },
            20000);
    };

    // A run with a window over the scene for its first part.
    const QRect covered(60, 200, 420, 260);
    E2E_DO(click(startButton.center()));
    const Clock::time_point started = Clock::now();
    m_cover = std::make_unique<QProcess>();
    configure(*m_cover);
    m_cover->start(QStringLiteral("xmessage"),
        { QStringLiteral("-title"), QStringLiteral("brelon-e2e-cover"), QStringLiteral("-geometry"),
            QStringLiteral("%1x%2+%3+%4")
                .arg(covered.width())
                .arg(covered.height())
                .arg(m_geometry.x() + covered.x())
                .arg(m_geometry.y() + covered.y()),
            QStringLiteral("covering the scene during the run") });
    QVERIFY2(m_cover->waitForStarted(5000), qPrintable(m_cover->errorString()));
    E2E_DO(xdotool({ QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
        QStringLiteral("--name"), QStringLiteral("^brelon-e2e-cover$") }));
    E2E_SHOT(cover, QStringLiteral("covered"));
    QThread::msleep(600);
    m_cover->kill();
    m_cover->waitForFinished(5000);
    const double uncoveredAt = seconds(Clock::now() - started);
    E2E_SHOT(uncovered, QStringLiteral("uncovered-mid-run"));
    qInfo("cover removed %.3f s into a run of %.3f s", uncoveredAt, runSeconds);
    QVERIFY2(
        uncoveredAt < runSeconds - 0.3, "the cover went only after the run; the machine is too slow for this test");
    E2E_DO(pointerAway());
    const Shot afterCover = finished(QStringLiteral("covered-run"));
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
    const Shot plain = finished(QStringLiteral("plain-run"));
    QVERIFY(!plain.image.isNull());
    QVERIFY(barMismatches(plain.image, tops, spirals).isEmpty());
    QString first;
    const int differ = differingPixels(plain.image, afterCover.image, whole, &first);
    QVERIFY2(differ == 0, qPrintable(QStringLiteral("%1 pixels differ, first %2").arg(differ).arg(first)));
}

QTEST_GUILESS_MAIN(E2E)

#include "tst_e2e.moc"
