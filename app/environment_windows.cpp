// SPDX-License-Identifier: GPL-3.0-or-later

// Opening the application on Windows.

#include "app/environment_desktop.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QStringList>

#include <cstdio>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace brelon {

namespace {

/// Whether the process has somewhere to write its standard error: started
/// from a console or with its output redirected. A program with a window of
/// its own started from the desktop has not.
bool hasStandardError()
{
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

void desktop::sayRefusal(const QString& line)
{
    if (hasStandardError())
        std::fputs(qPrintable(line + u'\n'), stderr);
    else
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(line.utf16()), L"Brelon", MB_OK | MB_ICONERROR);
}

// The platform the user chose (which this build may not have), else the
// Windows desktop.
QString desktop::cannotOpenLine(int argc, char** argv)
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

// The program holds its platforms linked in; a name it lacks would make the
// toolkit show a message box of its own before giving up. The toolkit takes
// the first name of a ";"-separated list it has, each name before its ":"
// options, compared without case.
bool desktop::platformAvailable(int argc, char** argv)
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

} // namespace brelon
