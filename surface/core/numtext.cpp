// SPDX-License-Identifier: GPL-3.0-or-later

#include "surface/core/numtext.h"

#include "surface/core/decimal.h"
#include "surface/core/errors.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace brelon::numtext {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QString separator(const QLocale& locale)
{
    return locale.decimalPoint();
}

// The order of magnitude of an ASCII decimal literal ("123.4e5" gives 8), used
// to tell overflow from underflow when reading it reports a range error.
long long magnitude(const std::string& ascii)
{
    const auto e = ascii.find_first_of("eE");
    const std::string mantissa = ascii.substr(0, e);
    long long exponent = 0;
    if (e != std::string::npos) {
        // Saturate: only the sign and rough size matter here. The bound must
        // exceed any count of mantissa digits a text can hold, or a long
        // mantissa would outweigh a saturated negative exponent.
        const std::string digits = ascii.substr(e + 1);
        bool negative = false;
        for (char c : digits) {
            if (c == '-')
                negative = true;
            else if (c >= '0' && c <= '9' && exponent < 1'000'000'000'000'000)
                exponent = exponent * 10 + (c - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    long long intDigits = 0;
    long long leadingFractionZeros = 0;
    bool seenNonZero = false;
    bool afterPoint = false;
    for (char c : mantissa) {
        if (c == '.') {
            afterPoint = true;
            continue;
        }
        if (c < '0' || c > '9')
            continue;
        if (!afterPoint) {
            if (c != '0' || seenNonZero) {
                seenNonZero = true;
                ++intDigits;
            }
        } else if (!seenNonZero) {
            if (c == '0')
                ++leadingFractionZeros;
            else
                seenNonZero = true;
        }
    }
    return (intDigits > 0 ? intDigits : -leadingFractionZeros) + exponent;
}

} // namespace

QString fromInt(long long value)
{
    return QString::number(value);
}

QString fromDouble(double value, const QLocale& locale)
{
    checked(value);
    if (value == 0.0)
        return QStringLiteral("0");
    std::array<char, 64> buffer {};
    const auto result
        = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buffer.data(), int(result.ptr - buffer.data()));
    text.replace(u'e', u'E');
    text.replace(u'.', separator(locale));
    return text;
}

double toDouble(const QString& text, const QLocale& locale)
{
    const QString sep = separator(locale);
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;

    std::string ascii;
    qsizetype i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            ascii += '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < end && isDigit(text[i])) {
        ascii += char(text[i].unicode());
        ++mantissaDigits;
        ++i;
    }
    if (i < end && QStringView(text).sliced(i).startsWith(sep)) {
        ascii += '.';
        i += sep.size();
        while (i < end && isDigit(text[i])) {
            ascii += char(text[i].unicode());
            ++mantissaDigits;
            ++i;
        }
    }
    if (mantissaDigits > 0 && i < end && (text[i] == u'e' || text[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-')) {
            ascii += char(text[i].unicode());
            ++i;
        }
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            ascii += char(text[i].unicode());
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0)
            mantissaDigits = 0;
    }
    if (mantissaDigits == 0 || i != end)
        raise(ErrorKind::Conversion, QStringLiteral("„%1“").arg(text.left(40)));

    double value = 0.0;
    const char* first = ascii.data();
    const char* last = ascii.data() + ascii.size();
    const auto result = readDecimal(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        if (magnitude(ascii) > 0)
            raise(ErrorKind::Overflow, QStringLiteral("„%1“").arg(text.left(40)));
        return ascii.front() == '-' ? -0.0 : 0.0;
    }
    if (result.ec != std::errc() || result.ptr != last)
        raise(ErrorKind::Conversion, QStringLiteral("„%1“").arg(text.left(40)));
    return value;
}

QString format(double value, Pattern pattern, const QLocale& locale)
{
    checked(value);
    // The value's 15-significant-digit decimal form: d.dddddddddddddde±x.
    std::array<char, 64> buffer {};
    const auto result = std::to_chars(
        buffer.data(), buffer.data() + buffer.size(), std::fabs(value), std::chars_format::scientific, 14);
    const std::string sci(buffer.data(), result.ptr);
    const auto e = sci.find('e');
    std::string digits = sci.substr(0, 1) + sci.substr(2, e - 2);
    const int point = std::stoi(sci.substr(e + 1)) + 1; // digits before the point

    std::string whole;
    std::string fraction;
    if (value == 0.0) {
        whole = "0";
    } else if (point <= 0) {
        whole = "0";
        fraction = std::string(size_t(-point), '0') + digits;
    } else if (point >= int(digits.size())) {
        whole = digits + std::string(size_t(point) - digits.size(), '0');
    } else {
        whole = digits.substr(0, size_t(point));
        fraction = digits.substr(size_t(point));
    }
    fraction.resize(std::max<size_t>(fraction.size(), 3), '0');

    // Round to two decimals, a half away from zero.
    std::string kept = whole + fraction.substr(0, 2);
    if (fraction[2] >= '5') {
        int k = int(kept.size()) - 1;
        while (k >= 0 && kept[size_t(k)] == '9')
            kept[size_t(k--)] = '0';
        if (k < 0)
            kept.insert(kept.begin(), '1');
        else
            ++kept[size_t(k)];
    }
    std::string intPart = kept.substr(0, kept.size() - 2);
    std::string decimals = kept.substr(kept.size() - 2);
    const auto firstNonZero = intPart.find_first_not_of('0');
    intPart = firstNonZero == std::string::npos ? std::string() : intPart.substr(firstNonZero);
    const bool zero = intPart.empty() && decimals == "00";

    if (pattern == Pattern::ZeroDotZeroZero) {
        if (intPart.empty())
            intPart = "0";
    } else {
        while (!decimals.empty() && decimals.back() == '0')
            decimals.pop_back();
    }
    QString text = (value < 0 && !zero) ? QStringLiteral("-") : QString();
    text += QString::fromLatin1(intPart.data(), qsizetype(intPart.size()));
    text += separator(locale);
    text += QString::fromLatin1(decimals.data(), qsizetype(decimals.size()));
    return text;
}

QString format(const QString& text, Pattern pattern, const QLocale& locale)
{
    return format(toDouble(text, locale), pattern, locale);
}

int add16(int a, int b)
{
    const long sum = long(a) + long(b);
    if (sum < int16Min || sum > int16Max)
        raise(ErrorKind::Overflow, QStringLiteral("%1 + %2").arg(a).arg(b));
    return int(sum);
}

double divide(double a, double b)
{
    if (b == 0.0) {
        if (a == 0.0 || a != a)
            raise(ErrorKind::Invalid);
        raise(ErrorKind::DivisionByZero);
    }
    return checked(a / b);
}

} // namespace brelon::numtext
