// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/environment.h"

#include "app/environment_desktop.h"
#include "surface/drawing/twips.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace brelon {

namespace {

/// Ends the process with status 1 after saying why in one line.
[[noreturn]] void refuse(const QString& line)
{
    desktop::sayRefusal(line);
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

QString desktop::option(int argc, char** argv, QByteArrayView name)
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

std::unique_ptr<QApplication> openApplication(int& argc, char** argv)
{
    if (const QString problem = scaleFactorProblem(); !problem.isEmpty())
        refuse(problem);

    if (!desktop::platformAvailable(argc, argv))
        refuse(desktop::cannotOpenLine(argc, argv));

    Opening& state = opening();
    {
        const std::lock_guard lock(state.mutex);
        state.failure = desktop::cannotOpenLine(argc, argv);
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
