// SPDX-License-Identifier: GPL-3.0-or-later

// The program's two-decimal formats, "0.00" and "#.##", of a number and of a
// numeric text, in a point and a comma locale; and its checked arithmetic,
// the 16-bit sum and the division. Numbers to text and back are in
// tst_numtext_conversion.cpp.

#include "numtextcheck.h"
#include "surface/core/errors.h"
#include "surface/core/numtext.h"

#include <QLocale>
#include <QString>
#include <QTest>

#include <cmath>
#include <limits>

using brelon::ErrorKind;
using brelon::numtext::Pattern;

using namespace brelon::test;

class TestNumTextFormat : public QObject {
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void formatRejects_data();
    void formatRejects();
    void formatText_data();
    void formatText();
    void formatTextRejects_data();
    void formatTextRejects();

    void add16_data();
    void add16();
    void add16Overflow_data();
    void add16Overflow();

    void divide_data();
    void divide();
    void divideRejects_data();
    void divideRejects();
};

// Each row gives both patterns, "0.00" and "#.##".
void TestNumTextFormat::format_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("zeroDotZeroZero");
    QTest::addColumn<QString>("hashDotHashHash");

    const auto row = [](const char* name, double value, const char* enZero, const char* enHash, const char* czZero,
                         const char* czHash) {
        QTest::newRow(qPrintable(prefixed(english, name))) << english << value << enZero << enHash;
        QTest::newRow(qPrintable(prefixed(czech, name))) << czech << value << czZero << czHash;
    };

    row("3.1847", 3.1847, "3.18", "3.18", "3,18", "3,18");
    row("whole 3", 3.0, "3.00", "3.", "3,00", "3,");
    row("half", 0.5, "0.50", ".5", "0,50", ",5");
    row("zero", 0.0, "0.00", ".", "0,00", ",");
    row("one tenth", 0.1, "0.10", ".1", "0,10", ",1");
    row("whole 25", 25.0, "25.00", "25.", "25,00", "25,");
    row("0.796 rounds to one decimal", 0.796, "0.80", ".8", "0,80", ",8");
    row("relative frequency 20/6.28", 20.0 / 6.28, "3.18", "3.18", "3,18", "3,18");
    row("relative frequency 157/6.28", 157.0 / 6.28, "25.00", "25.", "25,00", "25,");
    row("relative frequency 200/6.28", 200.0 / 6.28, "31.85", "31.85", "31,85", "31,85");
    row("relative frequency 100/6.28", 100.0 / 6.28, "15.92", "15.92", "15,92", "15,92");
    row("half 2.675 up", 2.675, "2.68", "2.68", "2,68", "2,68");
    row("half 2.665 up", 2.665, "2.67", "2.67", "2,67", "2,67");
    row("half 1.005 up", 1.005, "1.01", "1.01", "1,01", "1,01");
    row("half 0.125 up", 0.125, "0.13", ".13", "0,13", ",13");
    row("half 1.115 up", 1.115, "1.12", "1.12", "1,12", "1,12");
    row("half 0.005 up", 0.005, "0.01", ".01", "0,01", ",01");
    row("below half 0.004", 0.004, "0.00", ".", "0,00", ",");
    row("below half 2.6749", 2.6749, "2.67", "2.67", "2,67", "2,67");
    row("negative half away from zero", -2.675, "-2.68", "-2.68", "-2,68", "-2,68");
    row("negative 0.125 away from zero", -0.125, "-0.13", "-.13", "-0,13", "-,13");
    row("negative rounding to zero: no sign", -0.004, "0.00", ".", "0,00", ",");
    row("negative zero: no sign", -0.0, "0.00", ".", "0,00", ",");
    row("negative half", -0.5, "-0.50", "-.5", "-0,50", "-,5");
    row("carry 9.995", 9.995, "10.00", "10.", "10,00", "10,");
    row("carry -9.995", -9.995, "-10.00", "-10.", "-10,00", "-10,");
    row("carry 0.995", 0.995, "1.00", "1.", "1,00", "1,");
    row("carry 99.999", 99.999, "100.00", "100.", "100,00", "100,");
    row("carry into tenths", 1.096, "1.10", "1.1", "1,10", "1,1");
    row("no grouping", 1234567.891, "1234567.89", "1234567.89", "1234567,89", "1234567,89");
    row("large without exponent", 1e20, "100000000000000000000.00", "100000000000000000000.",
        "100000000000000000000,00", "100000000000000000000,");
}

void TestNumTextFormat::format()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(QString, zeroDotZeroZero);
    QFETCH(QString, hashDotHashHash);

    QCOMPARE(brelon::numtext::format(value, Pattern::ZeroDotZeroZero, locale), zeroDotZeroZero);
    QCOMPARE(brelon::numtext::format(value, Pattern::HashDotHashHash, locale), hashDotHashHash);
}

void TestNumTextFormat::formatRejects_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("kind");

    QTest::newRow("infinity") << infinity << "Overflow";
    QTest::newRow("minus infinity") << -infinity << "Overflow";
    QTest::newRow("not a number") << notANumber << "Invalid";
}

void TestNumTextFormat::formatRejects()
{
    QFETCH(double, value);
    QFETCH(QString, kind);

    for (const QLocale& locale : { english, czech }) {
        for (Pattern pattern : { Pattern::ZeroDotZeroZero, Pattern::HashDotHashHash })
            QCOMPARE(raisedKind([&] { brelon::numtext::format(value, pattern, locale); }), kind);
    }
}

// A numeric text is read in the locale first, then formatted.
void TestNumTextFormat::formatText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("zeroDotZeroZero");
    QTest::addColumn<QString>("hashDotHashHash");

    const auto row = [](const char* name, const char* inEnglish, const char* inCzech, const char* enZero,
                         const char* enHash, const char* czZero, const char* czHash) {
        QTest::newRow(qPrintable(prefixed(english, name)))
            << english << QString::fromUtf8(inEnglish) << enZero << enHash;
        QTest::newRow(qPrintable(prefixed(czech, name))) << czech << QString::fromUtf8(inCzech) << czZero << czHash;
    };

    row("fraction", "3.1847", "3,1847", "3.18", "3.18", "3,18", "3,18");
    row("whole", "25", "25", "25.00", "25.", "25,00", "25,");
    row("blanks and half", " 2.675 ", " 2,675 ", "2.68", "2.68", "2,68", "2,68");
    row("negative below one", "-0.5", "-0,5", "-0.50", "-.5", "-0,50", "-,5");
    row("exponent", "1.2345E2", "1,2345E2", "123.45", "123.45", "123,45", "123,45");
    row("carry", "9.995", "9,995", "10.00", "10.", "10,00", "10,");
    row("zero", "0", "0", "0.00", ".", "0,00", ",");
}

void TestNumTextFormat::formatText()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(QString, zeroDotZeroZero);
    QFETCH(QString, hashDotHashHash);

    QCOMPARE(brelon::numtext::format(text, Pattern::ZeroDotZeroZero, locale), zeroDotZeroZero);
    QCOMPARE(brelon::numtext::format(text, Pattern::HashDotHashHash, locale), hashDotHashHash);
}

void TestNumTextFormat::formatTextRejects_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kind");

    const auto row = [](const char* name, const char* inEnglish, const char* inCzech, const char* kind) {
        QTest::newRow(qPrintable(prefixed(english, name))) << english << QString::fromUtf8(inEnglish) << kind;
        QTest::newRow(qPrintable(prefixed(czech, name))) << czech << QString::fromUtf8(inCzech) << kind;
    };

    row("empty", "", "", "Conversion");
    row("letters", "abc", "abc", "Conversion");
    row("the other separator", "3,18", "3.18", "Conversion");
    row("number and letters", "3.18x", "3,18x", "Conversion");
    row("above double range", "1e400", "1e400", "Overflow");
}

void TestNumTextFormat::formatTextRejects()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(QString, kind);

    for (Pattern pattern : { Pattern::ZeroDotZeroZero, Pattern::HashDotHashHash })
        QCOMPARE(raisedKind([&] { brelon::numtext::format(text, pattern, locale); }), kind);
}

void TestNumTextFormat::add16_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("expected");

    QTest::newRow("small") << 100 << 200 << 300;
    QTest::newRow("mixed signs") << -5 << 3 << -2;
    QTest::newRow("top plus zero") << 32767 << 0 << 32767;
    QTest::newRow("reaches the top") << 32766 << 1 << 32767;
    QTest::newRow("reaches the bottom") << -32767 << -1 << -32768;
    QTest::newRow("bottom plus zero") << -32768 << 0 << -32768;
    QTest::newRow("top plus bottom") << 32767 << -32768 << -1;
    QTest::newRow("halves of the top") << 16384 << 16383 << 32767;
}

void TestNumTextFormat::add16()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, expected);

    QCOMPARE(brelon::numtext::add16(a, b), expected);
    QCOMPARE(brelon::numtext::add16(b, a), expected);
}

void TestNumTextFormat::add16Overflow_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");

    QTest::newRow("one above the top") << 32767 << 1;
    QTest::newRow("one below the bottom") << -32768 << -1;
    QTest::newRow("top twice") << 32767 << 32767;
    QTest::newRow("bottom twice") << -32768 << -32768;
    QTest::newRow("halves of 32768") << 16384 << 16384;
    QTest::newRow("20000 + 20000") << 20000 << 20000;
}

void TestNumTextFormat::add16Overflow()
{
    QFETCH(int, a);
    QFETCH(int, b);

    QCOMPARE(raisedKind([&] { brelon::numtext::add16(a, b); }), QStringLiteral("Overflow"));
    QCOMPARE(raisedKind([&] { brelon::numtext::add16(b, a); }), QStringLiteral("Overflow"));
}

void TestNumTextFormat::divide_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("expected");

    QTest::newRow("quarter") << 1.0 << 4.0 << 0.25;
    QTest::newRow("negative dividend") << -9.0 << 3.0 << -3.0;
    QTest::newRow("negative divisor") << 7.0 << -2.0 << -3.5;
    QTest::newRow("zero dividend") << 0.0 << 5.0 << 0.0;
    QTest::newRow("exact binary fraction") << 3.0 << 0.125 << 24.0;
    QTest::newRow("large but finite") << 1e300 << 1e-5 << 1e305;
}

void TestNumTextFormat::divide()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, expected);

    double value = 0.0;
    QCOMPARE(raisedKind([&] { value = brelon::numtext::divide(a, b); }), QStringLiteral("nothing"));
    QVERIFY2(identical(value, expected), qPrintable(QStringLiteral("%1 != %2").arg(exact(value), exact(expected))));
}

void TestNumTextFormat::divideRejects_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<QString>("kind");

    QTest::newRow("one by zero") << 1.0 << 0.0 << "DivisionByZero";
    QTest::newRow("minus one by zero") << -1.0 << 0.0 << "DivisionByZero";
    QTest::newRow("one by negative zero") << 1.0 << -0.0 << "DivisionByZero";
    QTest::newRow("zero by zero") << 0.0 << 0.0 << "Invalid";
    QTest::newRow("zero by negative zero") << 0.0 << -0.0 << "Invalid";
    QTest::newRow("not a number by zero") << notANumber << 0.0 << "Invalid";
    QTest::newRow("not a number by one") << notANumber << 1.0 << "Invalid";
    QTest::newRow("infinity by infinity") << infinity << infinity << "Invalid";
    QTest::newRow("quotient too large") << 1e300 << 1e-300 << "Overflow";
    QTest::newRow("quotient too large, negative") << -1e300 << 1e-300 << "Overflow";
}

void TestNumTextFormat::divideRejects()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(QString, kind);

    QCOMPARE(raisedKind([&] { brelon::numtext::divide(a, b); }), kind);
}

QTEST_GUILESS_MAIN(TestNumTextFormat)
#include "tst_numtext_format.moc"
