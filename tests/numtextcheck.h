// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the number and text rules' tests share: the two locales they are
// tried in, and how a result or an error is told and shown.

#include "surface/core/errors.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <limits>

namespace brelon::test {

// The two locales the program is tried in: a point and a comma separator.
inline const QLocale english(QLocale::English, QLocale::UnitedStates);
inline const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

inline QString kindName(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::Conversion:
        return QStringLiteral("Conversion");
    case ErrorKind::Overflow:
        return QStringLiteral("Overflow");
    case ErrorKind::DivisionByZero:
        return QStringLiteral("DivisionByZero");
    case ErrorKind::Invalid:
        return QStringLiteral("Invalid");
    case ErrorKind::PropertyValue:
        return QStringLiteral("PropertyValue");
    }
    return QStringLiteral("unknown");
}

// The name of the error kind that \a call raises, or "nothing" when it
// returns. Any other exception escapes and fails the test.
template <typename Call> QString raisedKind(Call call)
{
    try {
        call();
    } catch (const Error& error) {
        return kindName(error.kind());
    }
    return QStringLiteral("nothing");
}

// Full-precision text of a double for failure messages.
inline QString exact(double value)
{
    return QString::number(value, 'g', 17) + (std::signbit(value) ? QStringLiteral(" (sign set)") : QString());
}

// Equal values with equal signs, so 0 and -0 are told apart; no tolerance.
inline bool identical(double a, double b)
{
    return a == b && std::signbit(a) == std::signbit(b);
}

inline QString prefixed(const QLocale& locale, const char* name)
{
    return (locale == czech ? QStringLiteral("cs: ") : QStringLiteral("en: ")) + QLatin1String(name);
}

} // namespace brelon::test
