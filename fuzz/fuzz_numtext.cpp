// SPDX-License-Identifier: GPL-3.0-or-later

// Fuzz target for the number and text rules: reading a text as a double, and
// the two Format patterns "0.00" and "#.##".
//
// Input: the first byte picks the locale ('c' or 'C' Czech with a decimal
// comma, anything else English with a decimal point); the remaining bytes are
// the text, decoded as UTF-8.
//
// A long run needs Clang and libFuzzer; new inputs go to the first directory,
// so the seeds in the work tree stay as they are:
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DBRELON_BENCH=OFF
//   ninja -C build-fuzz fuzz_numtext
//   mkdir -p /tmp/numtext-corpus && cp fuzz/corpus/numtext/* /tmp/numtext-corpus/
//   build-fuzz/fuzz/fuzz_numtext -max_total_time=600 -max_len=64 -print_final_stats=1 /tmp/numtext-corpus
// A crash leaves crash-<sha1> in the current directory; replay it with
//   build-fuzz/fuzz/fuzz_numtext crash-<sha1>
// Other compilers build fuzz_numtext_replay, which runs the same checks over
// the files of a directory (CTest test fuzz_numtext_corpus).

#include "surface/core/errors.h"
#include "surface/core/numtext.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

using brelon::ErrorKind;
using brelon::numtext::Pattern;

// Doubles above this have a 15-digit decimal form beyond the largest double
// (1.79769313486232E+308), so their text reads back as an overflow. This
// double itself lies just below 1.797693134862315e308 and is written as
// 1.79769313486231E+308.
constexpr double largestWritable = 1.797693134862315e308;

[[noreturn]] void violated(const char* what, const QString& text)
{
    std::fprintf(stderr, "numtext invariant violated: %s\n  text: \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

#define REQUIRE(condition, text)                                                                                       \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            violated(#condition, text);                                                                                \
    } while (false)

// What reading a text gave: a value or the kind of error.
struct Reading {
    std::optional<double> value;
    ErrorKind kind = ErrorKind::Conversion;
};

// Reads \a text; only a finite double or a conversion or overflow error are
// allowed results.
Reading read(const QString& text, const QLocale& locale)
{
    Reading reading;
    try {
        reading.value = brelon::numtext::toDouble(text, locale);
    } catch (const brelon::Error& error) {
        reading.kind = error.kind();
        REQUIRE(error.kind() == ErrorKind::Conversion || error.kind() == ErrorKind::Overflow, text);
        return reading;
    } catch (...) {
        violated("toDouble threw something other than brelon::Error", text);
    }
    REQUIRE(std::isfinite(*reading.value), text);
    return reading;
}

bool sameReading(const Reading& a, const Reading& b)
{
    if (a.value.has_value() != b.value.has_value())
        return false;
    if (!a.value)
        return a.kind == b.kind;
    return *a.value == *b.value && std::signbit(*a.value) == std::signbit(*b.value);
}

// The text with points and commas exchanged: what the same input looks like
// in the other locale.
QString mirrored(QString text)
{
    for (QChar& c : text) {
        if (c == u'.')
            c = u',';
        else if (c == u',')
            c = u'.';
    }
    return text;
}

// Digits from the first to the last non-zero one in the mantissa of an
// accepted text, e.g. 3 for " -0.0120e5".
int significantDigits(const QString& text)
{
    int first = -1;
    int last = -1;
    int position = 0;
    for (QChar c : text) {
        if (c == u'e' || c == u'E')
            break;
        if (c < u'0' || c > u'9')
            continue;
        if (c != u'0') {
            if (first < 0)
                first = position;
            last = position;
        }
        ++position;
    }
    return first < 0 ? 0 : last - first + 1;
}

// The double-to-text form: optional "-", digits with at most one separator,
// optional exponent "E+dd" / "E-ddd"; at most 15 significant digits, a "0"
// before a leading separator, no separator in a whole number below 1e15.
void checkWritten(const QString& written, double value, QChar separator, const QString& text)
{
    const qsizetype exponent = written.indexOf(u'E');
    const QString mantissa = exponent < 0 ? written : written.left(exponent);
    qsizetype i = mantissa.startsWith(u'-') ? 1 : 0;
    REQUIRE((i == 1) == (value < 0), text);
    REQUIRE(i < mantissa.size() && mantissa[i] >= u'0' && mantissa[i] <= u'9', text);
    int separators = 0;
    for (; i < mantissa.size(); ++i) {
        if (mantissa[i] == separator)
            ++separators;
        else
            REQUIRE(mantissa[i] >= u'0' && mantissa[i] <= u'9', text);
    }
    REQUIRE(separators <= 1, text);
    REQUIRE(!mantissa.endsWith(separator), text);
    REQUIRE(significantDigits(mantissa) <= 15, text);
    if (exponent < 0 && value == std::trunc(value))
        REQUIRE(separators == 0, text);
    if (exponent >= 0) {
        const QString tail = written.mid(exponent + 1);
        REQUIRE(tail.size() >= 3 && (tail[0] == u'+' || tail[0] == u'-'), text);
        for (qsizetype k = 1; k < tail.size(); ++k)
            REQUIRE(tail[k] >= u'0' && tail[k] <= u'9', text);
    }
}

// Double to text and back: the written text is a fixed point, and a text of
// at most 15 significant digits gives back the very same double.
void checkRoundTrip(const QString& text, double value, const QLocale& locale)
{
    QString written;
    try {
        written = brelon::numtext::fromDouble(value, locale);
    } catch (...) {
        violated("fromDouble of an accepted value threw", text);
    }
    const QChar separator = locale.decimalPoint().at(0);
    checkWritten(written, value, separator, text);

    const Reading back = read(written, locale);
    if (!back.value) {
        // Fifteen digits round the topmost doubles up past the largest one.
        REQUIRE(back.kind == ErrorKind::Overflow && std::fabs(value) > largestWritable, text);
        return;
    }
    const double again = *back.value;
    REQUIRE(std::fabs(again - value) <= 6e-15 * std::fabs(value), text);
    REQUIRE(brelon::numtext::fromDouble(again, locale) == written, text);
    if (significantDigits(text) <= 15)
        REQUIRE(again == value, text);
}

// "0.00": sign only for a non-zero result, at least one integer digit without
// leading zeros, one separator, exactly two decimals.
void checkZeroDotZeroZero(const QString& formatted, double value, QChar separator, const QString& text)
{
    const bool negative = formatted.startsWith(u'-');
    const QString body = negative ? formatted.mid(1) : formatted;
    REQUIRE(body.count(separator) == 1, text);
    const qsizetype point = body.indexOf(separator);
    REQUIRE(point >= 1 && body.size() - point - 1 == 2, text);
    bool allZero = true;
    for (qsizetype k = 0; k < body.size(); ++k) {
        if (k == point)
            continue;
        REQUIRE(body[k] >= u'0' && body[k] <= u'9', text);
        allZero = allZero && body[k] == u'0';
    }
    REQUIRE(point == 1 || body[0] != u'0', text);
    REQUIRE(negative == (value < 0 && !allZero), text);
}

// "#.##" is "0.00" with a lone integer zero and trailing decimal zeros
// dropped.
QString hashFromZero(const QString& zero, QChar separator)
{
    const bool negative = zero.startsWith(u'-');
    const QString body = negative ? zero.mid(1) : zero;
    const qsizetype point = body.indexOf(separator);
    QString whole = body.left(point);
    QString decimals = body.mid(point + 1);
    if (whole == QLatin1String("0"))
        whole.clear();
    while (decimals.endsWith(u'0'))
        decimals.chop(1);
    return (negative ? QStringLiteral("-") : QString()) + whole + separator + decimals;
}

QString formatted(double value, Pattern pattern, const QLocale& locale, const QString& text)
{
    try {
        return brelon::numtext::format(value, pattern, locale);
    } catch (...) {
        violated("format of an accepted value threw", text);
    }
}

// Format of a numeric text: an error of the same kind as reading it, or the
// same result as formatting its value.
void checkFormatText(const QString& text, const Reading& reading, Pattern pattern, const QLocale& locale)
{
    QString result;
    try {
        result = brelon::numtext::format(text, pattern, locale);
    } catch (const brelon::Error& error) {
        REQUIRE(!reading.value && error.kind() == reading.kind, text);
        return;
    } catch (...) {
        violated("format of a text threw something other than brelon::Error", text);
    }
    REQUIRE(reading.value && result == formatted(*reading.value, pattern, locale, text), text);
}

void checkFormat(const QString& text, double value, const QLocale& locale, const QLocale& other)
{
    const QChar separator = locale.decimalPoint().at(0);
    const QString zero = formatted(value, Pattern::ZeroDotZeroZero, locale, text);
    const QString hash = formatted(value, Pattern::HashDotHashHash, locale, text);
    checkZeroDotZeroZero(zero, value, separator, text);
    REQUIRE(hash == hashFromZero(zero, separator), text);

    // Two decimals, halves away from zero: off by at most 0.005. The half is
    // decided on the value's 15-digit form, which may itself be off by half a
    // unit in the 15th digit, hence the relative allowance.
    const Reading back = read(zero, locale);
    if (!back.value) {
        // As in checkRoundTrip: the 15-digit form of the topmost doubles lies
        // above the largest double.
        REQUIRE(back.kind == ErrorKind::Overflow && std::fabs(value) > largestWritable, text);
        return;
    }
    REQUIRE(std::fabs(*back.value - value) <= 0.005 + 1e-14 * std::fabs(value) + 1e-15, text);

    REQUIRE(formatted(value, Pattern::ZeroDotZeroZero, other, text) == mirrored(zero), text);
    REQUIRE(formatted(value, Pattern::HashDotHashHash, other, text) == mirrored(hash), text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    static const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    if (size == 0)
        return 0;

    const bool inCzech = data[0] == 'c' || data[0] == 'C';
    const QLocale& locale = inCzech ? czech : english;
    const QLocale& other = inCzech ? english : czech;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    // Only the separator tells the locales apart.
    const Reading reading = read(text, locale);
    REQUIRE(sameReading(reading, read(mirrored(text), other)), text);

    for (Pattern pattern : { Pattern::ZeroDotZeroZero, Pattern::HashDotHashHash })
        checkFormatText(text, reading, pattern, locale);

    if (reading.value) {
        checkRoundTrip(text, *reading.value, locale);
        checkFormat(text, *reading.value, locale, other);
    }
    return 0;
}
