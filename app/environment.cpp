// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/environment.h"

#include "surface/drawing/twips.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#ifdef Q_OS_WIN
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace brelon {

namespace {

#ifdef Q_OS_WIN
/// Whether the process has somewhere to write its standard error: started
/// from a console or with its output redirected. A program with a window of
/// its own started from the desktop has not.
bool hasStandardError()
{
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}
#endif

/// Ends the process with status 1 after saying why in one line: on standard
/// error, or on Windows in a message box when there is no standard error.
[[noreturn]] void refuse(const QString& line)
{
#ifdef Q_OS_WIN
    if (!hasStandardError()) {
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(line.utf16()), L"Brelon", MB_OK | MB_ICONERROR);
        std::_Exit(EXIT_FAILURE);
    }
#endif
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

#ifdef Q_OS_WIN

/// The line saying which platform could not be opened on Windows: the one the
/// user chose (which this build may not have), else the Windows desktop.
QString cannotOpenLine(int argc, char** argv)
{
    const QString platform = option(argc, argv, "-platform");
    if (!platform.isEmpty())
        return QStringLiteral("brelon: cannot open the platform \"%1\" (-platform); without -platform it opens "
                              "on the Windows desktop")
            .arg(platform);
    const QString variable = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!variable.isEmpty())
        return QStringLiteral("brelon: cannot open the platform \"%1\" (QT_QPA_PLATFORM); without QT_QPA_PLATFORM "
                              "it opens on the Windows desktop")
            .arg(variable);
    return QStringLiteral("brelon: cannot open the Windows desktop");
}

/// Whether the toolkit could find a platform the user chose. The program
/// holds its platforms linked in; a name it lacks would make the toolkit show
/// a message box of its own before giving up, so it is refused beforehand.
/// The toolkit takes the first name of a ";"-separated list it has, each name
/// before its ":" options, compared without case.
bool platformAvailable(int argc, char** argv)
{
    QString chosen = option(argc, argv, "-platform");
    if (chosen.isEmpty())
        chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (chosen.isEmpty())
        return true;
    QStringList keys;
    for (const QStaticPlugin& plugin : QPluginLoader::staticPlugins()) {
        const QJsonObject data = plugin.metaData();
        if (!data.value(u"IID").toString().startsWith(u"org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface"))
            continue;
        for (const QJsonValue key : data.value(u"MetaData").toObject().value(u"Keys").toArray())
            keys << key.toString();
    }
    for (const QString& entry : chosen.split(u';', Qt::SkipEmptyParts)) {
        if (keys.contains(entry.section(u':', 0, 0), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

#else

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

#endif

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

#ifdef Q_OS_WIN
    if (!platformAvailable(argc, argv))
        refuse(cannotOpenLine(argc, argv));
#endif

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

void showMainWindow(QWidget& window)
{
    window.show();
}

void endProgram(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace brelon
