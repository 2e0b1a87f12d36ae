// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/e2e/harness.h"

#include "tests/storedlook.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QStandardPaths>
#include <QThread>

#include <sys/prctl.h>

#include <csignal>

namespace brelon::e2e {

using namespace brelon::shot;

int differingPixels(const QImage& a, const QImage& b, const QRect& area, QString* first)
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

double runSeconds(int slowdown)
{
    return (scene::scanRight + 1) * (3 * slowdown + 1) * 100e-9;
}

std::vector<int> View::barTops(const QString& structure, double F) const
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

namespace {

// Fusion's push button face: a light, neutral gradient.
bool isButtonFace(QRgb pixel)
{
    return qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel) && qRed(pixel) >= 0xE0;
}

} // namespace

bool buttonShown(const QImage& shot, const QRect& rect)
{
    const int inset = std::max(4, rect.height() / 8);
    for (int y = rect.top() + inset; y <= rect.bottom() - inset; ++y)
        if (!isButtonFace(shot.pixel(rect.left() + 2, y)))
            return false;
    return isGrey(shot.pixel(rect.left() - 2, rect.center().y()));
}

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

void Harness::configure(QProcess& process) const
{
    process.setProcessEnvironment(m_env);
    // A test killed by its runner takes its children with it.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

Harness::ToolResult Harness::tool(const QString& program, const QStringList& arguments, int timeoutMs)
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

void Harness::xdotool(const QStringList& arguments, int timeoutMs)
{
    QVERIFY2(tool(QStringLiteral("xdotool"), arguments, timeoutMs).ok, qPrintable(m_toolError));
}

void Harness::initTestCase()
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

void Harness::cleanupTestCase()
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

void Harness::init()
{
    m_lastShot = QImage();
    E2E_DO(launch());
}

void Harness::cleanup()
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

QString Harness::programOutput()
{
    return QString::fromLocal8Bit(m_app->readAllStandardOutput() + m_app->readAllStandardError()).trimmed();
}

void Harness::launch()
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

void Harness::readGeometry()
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

Harness::Shot Harness::shoot(const QString& label)
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
        const QString number = QStringLiteral("%1").arg(++m_shotCount, 3, 10, QLatin1Char('0'));
        const QString test = QString::fromLatin1(QTest::currentTestFunction());
        shot.image.save(QDir(m_shotsDir).filePath(QStringLiteral("%1-%2-%3.png").arg(number, test, label)));
    }
    return shot;
}

Harness::Shot Harness::pollShots(const QString& label, const std::function<bool(const QImage&)>& done, int timeoutMs)
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

void Harness::expectStrip(int f, const QString& label, Shot* shot, int timeoutMs)
{
    const auto drawn = [f](const QImage& s) { return stripMismatches(s, f) == 0; };
    *shot = pollShots(label, drawn, timeoutMs);
    QVERIFY(!shot->image.isNull());
    QString first;
    const int wrong = stripMismatches(shot->image, f, &first);
    QVERIFY2(wrong == 0, qPrintable(QStringLiteral("f %1: %2 pixels differ, first %3").arg(f).arg(wrong).arg(first)));
}

Harness::Shot Harness::pollFinishedScene(const QString& label, const std::vector<int>& tops, int spirals, int timeoutMs)
{
    QImage previous;
    return pollShots(
        label,
        [&](const QImage& s) {
            const bool still = s == previous;
            previous = s;
            return still && barMismatches(s, tops, spirals).isEmpty();
        },
        timeoutMs);
}

void Harness::click(const QPoint& at)
{
    E2E_DO(xdotool({ QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(at.x()),
        QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1") }));
}

void Harness::clickOption(const QRect& option)
{
    // On the round indicator at the button's left.
    click(QPoint(option.left() + 6, option.center().y()));
}

void Harness::pointerAway()
{
    // Off the window, so no hover or focus change depends on where it was.
    xdotool({ QStringLiteral("mousemove"), QString::number(1010), QString::number(760) });
}

void Harness::setSlowdown(int value)
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

void Harness::waitForExit(int timeoutMs, Clock::time_point* when)
{
    const bool finished = m_app->waitForFinished(timeoutMs);
    if (when)
        *when = Clock::now();
    QVERIFY2(finished, "the program is still running");
    QCOMPARE(m_app->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_app->exitCode(), 0);
}

void Harness::pingAnswered(const QString& when)
{
    // A desktop calls a window that leaves this unanswered for 5 s hung.
    const ToolResult answer
        = tool(QStringLiteral(BRELON_WM), { QStringLiteral("ping"), m_window, QStringLiteral("200") }, 10000);
    QVERIFY2(answer.ok, qPrintable(when + QStringLiteral(": ") + m_toolError));
    qInfo("ping %s: answered in %s ms", qPrintable(when), answer.out.trimmed().constData());
}

void Harness::requestClose()
{
    // What a window manager's close button sends; no window manager runs here.
    const ToolResult sent = tool(QStringLiteral(BRELON_WM), { QStringLiteral("delete"), m_window });
    QVERIFY2(sent.ok, qPrintable(m_toolError));
}

void Harness::showCover(const QRect& area, const QString& text)
{
    // Another program's window over part of ours, at the client area's
    // coordinates; done once the X server shows it.
    m_cover = std::make_unique<QProcess>();
    configure(*m_cover);
    m_cover->start(QStringLiteral("xmessage"),
        { QStringLiteral("-title"), QStringLiteral("brelon-e2e-cover"), QStringLiteral("-geometry"),
            QStringLiteral("%1x%2+%3+%4")
                .arg(area.width())
                .arg(area.height())
                .arg(m_geometry.x() + area.x())
                .arg(m_geometry.y() + area.y()),
            text });
    QVERIFY2(m_cover->waitForStarted(5000), qPrintable(m_cover->errorString()));
    E2E_DO(xdotool({ QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
        QStringLiteral("--name"), QStringLiteral("^brelon-e2e-cover$") }));
}

void Harness::removeCover()
{
    m_cover->kill();
    m_cover->waitForFinished(5000);
}

void Harness::resizeWindow(QSize size)
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

} // namespace brelon::e2e
