// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLocale>
#include <QString>

// Number and text rules of the program. Every function is stateless and takes
// the locale whose decimal separator it uses, so a comma locale can be tested.
namespace brelon::numtext {

/// \brief Decimal digits, "-" before a negative value.
QString fromInt(long long value);

/// \brief At most 15 significant digits, trailing zeros dropped, no separator
/// for a whole number, "0" before the separator below 1, no grouping.
/// Magnitudes outside 1e-5 .. 1e15 use an exponent ("1E+20").
QString fromDouble(double value, const QLocale& locale);

/// \brief A decimal number with the locale's separator, optional sign,
/// optional exponent and surrounding blanks. Empty or non-numeric text raises
/// the conversion error, a magnitude beyond double range the overflow error.
double toDouble(const QString& text, const QLocale& locale);

enum class Pattern {
    ZeroDotZeroZero, ///< "0.00": at least one integer digit, exactly two decimals
    HashDotHashHash, ///< "#.##": no leading zero, at most two decimals, separator always
};

/// \brief Format with two decimals, rounding halves away from zero. The half
/// is decided on the value's 15-significant-digit decimal form, so 2.675
/// gives "2.68".
QString format(double value, Pattern pattern, const QLocale& locale);
/// \brief Format of a numeric text: the text is read with toDouble first.
QString format(const QString& text, Pattern pattern, const QLocale& locale);

/// \brief Sum of two 16-bit signed integers; outside -32768..32767 it raises
/// the overflow error.
int add16(int a, int b);

/// \brief a / b, raising division by zero, overflow and invalid results.
double divide(double a, double b);

} // namespace brelon::numtext
