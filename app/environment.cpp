// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/environment.h"

#include "surface/twips.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace brelon {

namespace {

[[noreturn]] void refuse(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stderr);
    std::fflush(nullptr);
    std::_Exit(EXIT_FAILURE);
}

/// The line refusing QT_SCALE_FACTOR, or an empty string when the toolkit may
/// read it. A factor of 0 or NaN leaves the toolkit without a window and
/// without an end, a negative or tiny one gives a window of absurd size. The
/// text is parsed as the toolkit parses it (C locale); empty counts as unset.
QString scaleFactorProblem()
{
    const QString text = qEnvironmentVariable("QT_SCALE_FACTOR");
    if (text.isEmpty())
        return {};
    bool ok = false;
    const double factor = text.toDouble(&ok);
    // NaN fails both comparisons; the infinities fail one.
    if (ok && factor >= TwipScale::smallestRatio && factor <= 8)
        return {};
    return QStringLiteral("brelon: QT_SCALE_FACTOR must be a number from 0.5 to 8, not \"%1\"").arg(text);
}

/// The value of the last `-name VALUE` (or `--name VALUE`) in the arguments,
/// read the way the toolkit reads its own options; \a name includes the dash.
QString option(int argc, char** argv, QByteArrayView name)
{
    QString value;
    for (int i = 1; i + 1 < argc; ++i) {
        QByteArrayView arg(argv[i]);
        if (arg.startsWith("--"))
            arg = arg.sliced(1);
        if (arg == name)
            value = QString::fromLocal8Bit(argv[++i]);
    }
    return value;
}

/// The line saying which window system could not be opened: the platform the
/// user chose, else the displays the toolkit tries by itself (Wayland when
/// WAYLAND_DISPLAY is set, then X).
QString cannotOpenLine(int argc, char** argv)
{
    const QString displayOption = option(argc, argv, "-display");
    const QString x = displayOption.isEmpty() ? qEnvironmentVariable("DISPLAY") : displayOption;
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    QString platform = option(argc, argv, "-platform");
    QString source = QStringLiteral("-platform");
    if (platform.isEmpty()) {
        platform = qEnvironmentVariable("QT_QPA_PLATFORM");
        source = QStringLiteral("QT_QPA_PLATFORM");
    }

    QString what;
    if (!platform.isEmpty()) {
        what = QStringLiteral("the platform \"%1\" (%2)").arg(platform, source);
        QString display;
        if (platform.startsWith(u"wayland"))
            display = wayland.isEmpty() ? QStringLiteral("wayland-0") : wayland;
        else if (platform.startsWith(u"xcb"))
            display = x;
        if (!display.isEmpty())
            what += QStringLiteral(" on the display \"%1\"").arg(display);
    } else {
        QStringList displays;
        if (!wayland.isEmpty())
            displays << QStringLiteral("the Wayland display \"%1\"").arg(wayland);
        if (!x.isEmpty())
            displays << QStringLiteral("the X display \"%1\"").arg(x);
        what = displays.join(u" nor ");
    }
    // A platform set in the environment would follow the program into xvfb-run.
    const QString command = source == u"QT_QPA_PLATFORM" && !platform.isEmpty()
        ? QStringLiteral("QT_QPA_PLATFORM=xcb xvfb-run -a brelon")
        : QStringLiteral("xvfb-run -a brelon");
    const QString failed = what.isEmpty() ? QStringLiteral("brelon: no display to open the window on")
                                          : QStringLiteral("brelon: cannot open ") + what;
    return failed + QStringLiteral("; without a desktop run it as: ") + command;
}

/// A toolkit message held back while the application object is being built.
struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};

/// What the message handler needs while the application object is being
/// built. A message handler is a plain function pointer with no context
/// argument, so this cannot be handed to it: it is one function-local static,
/// written by openApplication and used by the handler only during that span.
struct Opening {
    std::mutex mutex; // the toolkit may log from its own threads
    QString failure;
    std::vector<HeldMessage> held;
};

Opening& opening()
{
    static Opening state;
    return state;
}

/// Holds back the toolkit's messages. Its fatal message, which follows a few
/// warnings when the platform cannot be opened, becomes our one line and exit
/// status 1: returning from the handler would let the toolkit abort.
void holdBack(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    Opening& state = opening();
    const std::lock_guard lock(state.mutex);
    if (type == QtFatalMsg)
        refuse(state.failure);
    state.held.push_back({ type, context.file, context.line, context.function, context.category, text });
}

const char* orNull(const QByteArray& bytes)
{
    return bytes.isNull() ? nullptr : bytes.constData();
}

} // namespace

std::unique_ptr<QApplication> openApplication(int& argc, char** argv)
{
    if (const QString problem = scaleFactorProblem(); !problem.isEmpty())
        refuse(problem);

    Opening& state = opening();
    {
        const std::lock_guard lock(state.mutex);
        state.failure = cannotOpenLine(argc, argv);
    }
    const QtMessageHandler previous = qInstallMessageHandler(holdBack);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);

    // The application exists: what the toolkit said meanwhile goes out as usual.
    std::vector<HeldMessage> held;
    {
        const std::lock_guard lock(state.mutex);
        held.swap(state.held);
    }
    for (const HeldMessage& message : held) {
        const QMessageLogContext context(
            orNull(message.file), message.line, orNull(message.function), orNull(message.category));
        previous(message.type, context, message.text);
    }
    return app;
}

} // namespace brelon
