// SPDX-License-Identifier: GPL-3.0-or-later

// Numbers to text and back as the program writes and reads them: integers,
// doubles to 15 digits, and the texts a user types, in a point and a comma
// locale. The two-decimal formats and the checked arithmetic are in
// tst_numtext_format.cpp.

#include "numtextcheck.h"
#include "surface/core/errors.h"
#include "surface/core/numtext.h"

#include <QLocale>
#include <QString>
#include <QTest>

#include <cmath>
#include <limits>
#include <numbers>

using brelon::ErrorKind;
using brelon::numtext::Pattern;

using namespace brelon::test;

class TestNumTextConversion : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void fromInt_data();
    void fromInt();

    void fromDouble_data();
    void fromDouble();
    void fromDoubleRejects_data();
    void fromDoubleRejects();
    void textRoundTrip_data();
    void textRoundTrip();
    void valueRoundTrip_data();
    void valueRoundTrip();

    void toDouble_data();
    void toDouble();
    void toDoubleRejects_data();
    void toDoubleRejects();
};

void TestNumTextConversion::cleanup()
{
    QLocale::setDefault(QLocale::c());
}

// Integers carry no separator, so the user's locale must not show in them:
// every row runs once with each locale as the process default.
void TestNumTextConversion::fromInt_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<QString>("expected");

    for (const QLocale& locale : { english, czech }) {
        QTest::newRow(qPrintable(prefixed(locale, "zero"))) << locale << 0LL << "0";
        QTest::newRow(qPrintable(prefixed(locale, "frequency 20"))) << locale << 20LL << "20";
        QTest::newRow(qPrintable(prefixed(locale, "negative"))) << locale << -7LL << "-7";
        QTest::newRow(qPrintable(prefixed(locale, "16-bit top"))) << locale << 32767LL << "32767";
        QTest::newRow(qPrintable(prefixed(locale, "16-bit bottom"))) << locale << -32768LL << "-32768";
        QTest::newRow(qPrintable(prefixed(locale, "no grouping"))) << locale << 1234567LL << "1234567";
        QTest::newRow(qPrintable(prefixed(locale, "negative, no grouping")))
            << locale << -9876543210LL << "-9876543210";
        QTest::newRow(qPrintable(prefixed(locale, "64-bit bottom")))
            << locale << std::numeric_limits<qlonglong>::min() << "-9223372036854775808";
    }
}

void TestNumTextConversion::fromInt()
{
    QFETCH(QLocale, locale);
    QFETCH(qlonglong, value);
    QFETCH(QString, expected);

    QLocale::setDefault(locale);
    QCOMPARE(brelon::numtext::fromInt(value), expected);
}

void TestNumTextConversion::fromDouble_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, double value, const char* inEnglish, const char* inCzech) {
        QTest::newRow(qPrintable(prefixed(english, name))) << english << value << QString::fromUtf8(inEnglish);
        QTest::newRow(qPrintable(prefixed(czech, name))) << czech << value << QString::fromUtf8(inCzech);
    };

    row("relative frequency 20/6.28", 20.0 / 6.28, "3.18471337579618", "3,18471337579618");
    row("relative frequency 200/6.28", 200.0 / 6.28, "31.8471337579618", "31,8471337579618");
    row("whole number", 3.0, "3", "3");
    row("whole number 25", 25.0, "25", "25");
    row("negative whole number", -40.0, "-40", "-40");
    row("zero", 0.0, "0", "0");
    row("negative zero", -0.0, "0", "0");
    row("half", 0.5, "0.5", "0,5");
    row("negative half", -0.5, "-0.5", "-0,5");
    row("quarter", 0.25, "0.25", "0,25");
    row("one third: 15 digits", 1.0 / 3.0, "0.333333333333333", "0,333333333333333");
    row("two thirds: last digit rounded", 2.0 / 3.0, "0.666666666666667", "0,666666666666667");
    row("0.1 + 0.2: binary noise dropped", 0.1 + 0.2, "0.3", "0,3");
    row("trailing zeros dropped", 12.5, "12.5", "12,5");
    row("no grouping", 1234567.25, "1234567.25", "1234567,25");
    row("15 integer digits", 123456789012345.0, "123456789012345", "123456789012345");
    row("16 integer digits: exponent", 1234567890123456.0, "1.23456789012346E+15", "1,23456789012346E+15");
    row("1e15: exponent", 1e15, "1E+15", "1E+15");
    row("large", 1e20, "1E+20", "1E+20");
    row("large negative", -2.5e100, "-2.5E+100", "-2,5E+100");
    row("largest", std::numeric_limits<double>::max(), "1.79769313486232E+308", "1,79769313486232E+308");
    row("0.0001 plain", 0.0001, "0.0001", "0,0001");
    row("0.00001: exponent", 0.00001, "1E-05", "1E-05");
    row("small", 1.5e-7, "1.5E-07", "1,5E-07");
    row("small negative", -2.25e-10, "-2.25E-10", "-2,25E-10");
    row("smallest subnormal", std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324",
        "4,94065645841247E-324");
}

void TestNumTextConversion::fromDouble()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(QString, expected);

    QCOMPARE(brelon::numtext::fromDouble(value, locale), expected);
}

void TestNumTextConversion::fromDoubleRejects_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("kind");

    QTest::newRow("infinity") << infinity << "Overflow";
    QTest::newRow("minus infinity") << -infinity << "Overflow";
    QTest::newRow("not a number") << notANumber << "Invalid";
}

void TestNumTextConversion::fromDoubleRejects()
{
    QFETCH(double, value);
    QFETCH(QString, kind);

    QCOMPARE(raisedKind([&] { brelon::numtext::fromDouble(value, english); }), kind);
    QCOMPARE(raisedKind([&] { brelon::numtext::fromDouble(value, czech); }), kind);
}

// A text in the written form comes back unchanged through a double.
void TestNumTextConversion::textRoundTrip_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");

    const auto row = [](const char* name, const char* inEnglish, const char* inCzech) {
        QTest::newRow(qPrintable(prefixed(english, name))) << english << QString::fromUtf8(inEnglish);
        QTest::newRow(qPrintable(prefixed(czech, name))) << czech << QString::fromUtf8(inCzech);
    };

    row("relative frequency", "3.18471337579618", "3,18471337579618");
    row("whole", "20", "20");
    row("negative fraction", "-0.125", "-0,125");
    row("15 digits", "0.333333333333333", "0,333333333333333");
    row("15 digits, large", "987654321098765", "987654321098765");
    row("exponent", "6.02214076E+23", "6,02214076E+23");
    row("negative exponent", "-1.5E-07", "-1,5E-07");
    row("largest written below the top", "1.79769313486231E+308", "1,79769313486231E+308");
    row("subnormal", "4.94065645841247E-324", "4,94065645841247E-324");
}

void TestNumTextConversion::textRoundTrip()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);

    double value = 0.0;
    QCOMPARE(raisedKind([&] { value = brelon::numtext::toDouble(text, locale); }), QStringLiteral("nothing"));
    QCOMPARE(brelon::numtext::fromDouble(value, locale), text);
}

// A computed value survives text and back to within its 15 digits, and the
// second pass changes nothing.
void TestNumTextConversion::valueRoundTrip_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");

    for (const QLocale& locale : { english, czech }) {
        QTest::newRow(qPrintable(prefixed(locale, "20/6.28"))) << locale << 20.0 / 6.28;
        QTest::newRow(qPrintable(prefixed(locale, "200/6.28"))) << locale << 200.0 / 6.28;
        QTest::newRow(qPrintable(prefixed(locale, "pi"))) << locale << std::numbers::pi;
        QTest::newRow(qPrintable(prefixed(locale, "-e"))) << locale << -std::numbers::e;
        QTest::newRow(qPrintable(prefixed(locale, "1/7e20"))) << locale << 1.0 / 7e20;
        QTest::newRow(qPrintable(prefixed(locale, "7e20/3"))) << locale << 7e20 / 3.0;
        QTest::newRow(qPrintable(prefixed(locale, "0.1 + 0.2"))) << locale << 0.1 + 0.2;
    }
}

void TestNumTextConversion::valueRoundTrip()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);

    const QString text = brelon::numtext::fromDouble(value, locale);
    const double back = brelon::numtext::toDouble(text, locale);
    QVERIFY2(std::fabs(back - value) <= 5e-15 * std::fabs(value),
        qPrintable(QStringLiteral("%1 -> %2 -> %3").arg(exact(value), text, exact(back))));
    QCOMPARE(brelon::numtext::fromDouble(back, locale), text);
}

void TestNumTextConversion::toDouble_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    const auto row = [](const char* name, const char* inEnglish, const char* inCzech, double expected) {
        QTest::newRow(qPrintable(prefixed(english, name))) << english << QString::fromUtf8(inEnglish) << expected;
        QTest::newRow(qPrintable(prefixed(czech, name))) << czech << QString::fromUtf8(inCzech) << expected;
    };

    row("integer", "20", "20", 20.0);
    row("fraction", "3.5", "3,5", 3.5);
    row("negative", "-3.5", "-3,5", -3.5);
    row("plus sign", "+3.5", "+3,5", 3.5);
    row("leading zeros", "007.25", "007,25", 7.25);
    row("surrounding spaces", "  2.75  ", "  2,75  ", 2.75);
    row("surrounding tabs", "\t-0.125\t", "\t-0,125\t", -0.125);
    row("no integer digit", ".5", ",5", 0.5);
    row("negative, no integer digit", "-.5", "-,5", -0.5);
    row("no decimals", "5.", "5,", 5.0);
    row("exponent", "2.5E+2", "2,5E+2", 250.0);
    row("small exponent", "1e-3", "1e-3", 0.001);
    row("exponent without sign", "4E3", "4E3", 4000.0);
    row("relative frequency", "3.18471337579618", "3,18471337579618", 3.18471337579618);
    row("many digits", "12345678901234567890", "12345678901234567890", 12345678901234567890.0);
    row("largest written", "1.79769313486231E+308", "1,79769313486231E+308", 1.79769313486231e308);
    row("negative zero", "-0", "-0", -0.0);
    row("below double range: zero", "1e-400", "1e-400", 0.0);
    row("below double range, negative", "-1e-400", "-1e-400", -0.0);
    row("subnormal", "1e-310", "1e-310", 1e-310);

    // More mantissa digits than the exponent has: still far below the range.
    const QString longTiny = QStringLiteral("1") + QString(2'000'000, u'0') + QStringLiteral("e-3000000");
    QTest::newRow("en: long mantissa, below double range") << english << longTiny << 0.0;
    QTest::newRow("cs: long mantissa, below double range") << czech << longTiny << 0.0;
}

void TestNumTextConversion::toDouble()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, expected);

    double value = 0.0;
    QCOMPARE(raisedKind([&] { value = brelon::numtext::toDouble(text, locale); }), QStringLiteral("nothing"));
    QVERIFY2(identical(value, expected), qPrintable(QStringLiteral("%1 != %2").arg(exact(value), exact(expected))));
}

void TestNumTextConversion::toDoubleRejects_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kind");

    const auto row = [](const char* name, const char* inEnglish, const char* inCzech, const char* kind) {
        QTest::newRow(qPrintable(prefixed(english, name))) << english << QString::fromUtf8(inEnglish) << kind;
        QTest::newRow(qPrintable(prefixed(czech, name))) << czech << QString::fromUtf8(inCzech) << kind;
    };

    row("empty", "", "", "Conversion");
    row("blanks only", "  \t ", "  \t ", "Conversion");
    row("letters", "abc", "abc", "Conversion");
    row("the other separator", "3,5", "3.5", "Conversion");
    row("two separators", "1.2.3", "1,2,3", "Conversion");
    row("separator only", ".", ",", "Conversion");
    row("sign only", "-", "-", "Conversion");
    row("double minus", "--1", "--1", "Conversion");
    row("plus and minus", "+-1", "+-1", "Conversion");
    row("exponent without digits", "1e", "1e", "Conversion");
    row("exponent sign without digits", "1e+", "1e+", "Conversion");
    row("exponent without mantissa", "e5", "e5", "Conversion");
    row("fractional exponent", "1e5.5", "1e5,5", "Conversion");
    row("space grouping", "1 000", "1 000", "Conversion");
    row("no-break space grouping", "1\u00a0000", "1\u00a0000", "Conversion");
    row("thousands separator", "1,000.5", "1.000,5", "Conversion");
    row("blank inside", "- 1", "- 1", "Conversion");
    row("unit after number", "3.5 Hz", "3,5 Hz", "Conversion");
    row("no-break space around", "\u00a01\u00a0", "\u00a01\u00a0", "Conversion");
    row("Arabic-Indic digit", "\u0663", "\u0663", "Conversion");
    row("hexadecimal", "0x10", "0x10", "Conversion");
    row("infinity word", "inf", "inf", "Conversion");
    row("not-a-number word", "nan", "nan", "Conversion");
    row("Czech word", "dvacet", "dvacet", "Conversion");
    row("above double range", "1e400", "1e400", "Overflow");
    row("above double range, negative", "-1e400", "-1e400", "Overflow");
    row("just above the largest", "1.79769313486232E+308", "1,79769313486232E+308", "Overflow");
    row("very long exponent", "1e99999999999999999999", "1e99999999999999999999", "Overflow");

    // Two million leading zeros after the separator, outweighed by the exponent.
    const QString zeros(2'000'000, u'0');
    QTest::newRow("en: long mantissa, above double range")
        << english << QStringLiteral("0.") + zeros + QStringLiteral("1e3000000") << "Overflow";
    QTest::newRow("cs: long mantissa, above double range")
        << czech << QStringLiteral("0,") + zeros + QStringLiteral("1e3000000") << "Overflow";
}

void TestNumTextConversion::toDoubleRejects()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(QString, kind);

    QCOMPARE(raisedKind([&] { brelon::numtext::toDouble(text, locale); }), kind);
}

QTEST_GUILESS_MAIN(TestNumTextConversion)
#include "tst_numtext_conversion.moc"
