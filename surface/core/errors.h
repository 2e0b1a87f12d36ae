// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <stdexcept>

namespace brelon {

/// The run-time errors a handler can raise. None is handled: the error
/// abandons the running handler and the program ends after reporting it.
enum class ErrorKind {
    Conversion, ///< text that is not a number
    Overflow, ///< 16-bit integer or floating-point overflow
    DivisionByZero, ///< floating-point division by zero
    Invalid, ///< floating-point result that is not a number
    PropertyValue, ///< a widget property put outside its range
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const QString& message);
    ErrorKind kind() const { return m_kind; }
    /// The Czech text shown in the message box.
    const QString& message() const { return m_message; }

private:
    ErrorKind m_kind;
    QString m_message;
};

[[noreturn]] void raise(ErrorKind kind, const QString& detail = {});

/// The 16-bit signed integers: counts, opening indices, property values and
/// integer sums lie within them, or the put or the arithmetic fails.
inline constexpr int int16Min = -32768;
inline constexpr int int16Max = 32767;

/// \brief Raises Overflow or Invalid unless \a value is a finite number.
inline double checked(double value)
{
    if (value != value)
        raise(ErrorKind::Invalid);
    if (value - value != 0.0)
        raise(ErrorKind::Overflow);
    return value;
}

} // namespace brelon
