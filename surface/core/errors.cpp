// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/core/errors.h"

namespace brelon {

namespace {

QString title(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::Conversion:
        return QStringLiteral("Chyba převodu: text není číslo");
    case ErrorKind::Overflow:
        return QStringLiteral("Přetečení");
    case ErrorKind::DivisionByZero:
        return QStringLiteral("Dělení nulou");
    case ErrorKind::Invalid:
        return QStringLiteral("Neplatný výsledek výpočtu");
    case ErrorKind::PropertyValue:
        return QStringLiteral("Neplatná hodnota vlastnosti");
    }
    return QStringLiteral("Chyba");
}

} // namespace

Error::Error(ErrorKind kind, const QString& message)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
    , m_message(message)
{
}

void raise(ErrorKind kind, const QString& detail)
{
    QString message = title(kind);
    if (!detail.isEmpty())
        message += QStringLiteral(" (%1)").arg(detail);
    throw Error(kind, message);
}

} // namespace brelon
