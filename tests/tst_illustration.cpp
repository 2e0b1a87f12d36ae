// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/illustration.h"

#include <QSet>
#include <QString>
#include <QTest>

namespace {

// The picture's palette, written out independently of the drawing code.
constexpr QRgb background = 0xffbfc0bf;
constexpr QRgb dark = 0xff1f1810;
constexpr QRgb white = 0xffffffff;
constexpr QRgb blue = 0xff008fdf;
constexpr QRgb green = 0xffb0d87f;
constexpr QRgb red = 0xffe07770;

constexpr int beamEndRow = 56;
constexpr int peakBaseRow = 53;

// Readable form of a pixel value for comparisons, e.g. "#bfc0bf".
QString hex(QRgb value)
{
    return QStringLiteral("#%1").arg(value & 0xffffffu, 6, 16, QLatin1Char('0'));
}

} // namespace

class TestIllustration : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void geometry();
    void onlySixColours();
    void colourPresent_data();
    void colourPresent();
    void pixel_data();
    void pixel();
    void beamEnds_data();
    void beamEnds();
    void peaks_data();
    void peaks();

private:
    QImage m_image;
};

void TestIllustration::initTestCase()
{
    m_image = brelon::illustration();
}

void TestIllustration::geometry()
{
    QCOMPARE(m_image.width(), 392);
    QCOMPARE(m_image.height(), 134);
    QCOMPARE(m_image.format(), QImage::Format_RGB32);
}

void TestIllustration::onlySixColours()
{
    QSet<QRgb> colours;
    for (int y = 0; y < m_image.height(); ++y)
        for (int x = 0; x < m_image.width(); ++x)
            colours.insert(m_image.pixel(x, y));
    QCOMPARE(colours.size(), 6);
    const QSet<QRgb> palette { background, dark, white, blue, green, red };
    QCOMPARE(colours, palette);
}

void TestIllustration::colourPresent_data()
{
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("background") << background;
    QTest::newRow("dark") << dark;
    QTest::newRow("white") << white;
    QTest::newRow("blue") << blue;
    QTest::newRow("green") << green;
    QTest::newRow("red") << red;
}

void TestIllustration::colourPresent()
{
    QFETCH(QRgb, colour);
    int count = 0;
    for (int y = 0; y < m_image.height(); ++y)
        for (int x = 0; x < m_image.width(); ++x)
            count += m_image.pixel(x, y) == colour ? 1 : 0;
    QVERIFY2(count > 0, qPrintable(hex(colour)));
}

void TestIllustration::pixel_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QRgb>("expected");

    QTest::newRow("corner top left") << 0 << 0 << background;
    QTest::newRow("corner bottom right") << 391 << 133 << background;

    QTest::newRow("screen line top left") << 4 << 54 << dark;
    QTest::newRow("screen line bottom left") << 4 << 55 << dark;
    QTest::newRow("screen line top right") << 387 << 54 << dark;
    QTest::newRow("screen line bottom right") << 387 << 55 << dark;
    QTest::newRow("left of screen line") << 3 << 54 << background;
    QTest::newRow("right of screen line") << 388 << 55 << background;
    QTest::newRow("above screen line end") << 4 << 53 << background;
    QTest::newRow("below screen line end") << 387 << 56 << background;
    QTest::newRow("screen line under zero-order peak") << 198 << 54 << dark;
    QTest::newRow("screen line over zero-order beam") << 198 << 55 << dark;

    QTest::newRow("bar top left") << 23 << 112 << dark;
    QTest::newRow("bar bottom left") << 23 << 118 << dark;
    QTest::newRow("bar top right") << 370 << 112 << dark;
    QTest::newRow("bar bottom right") << 370 << 118 << dark;
    QTest::newRow("left of bar") << 22 << 115 << background;
    QTest::newRow("right of bar") << 371 << 115 << background;
    QTest::newRow("above bar") << 23 << 111 << background;
    QTest::newRow("below bar") << 370 << 119 << background;

    // Seven openings: one pixel in the middle and the two opposite corners.
    const int openings[7][2]
        = { { 157, 164 }, { 170, 176 }, { 183, 189 }, { 196, 202 }, { 209, 215 }, { 221, 227 }, { 234, 240 } };
    for (int i = 0; i < 7; ++i) {
        const int left = openings[i][0];
        const int right = openings[i][1];
        QTest::addRow("opening %d middle", i + 1) << (left + right) / 2 << 115 << background;
        QTest::addRow("opening %d top left", i + 1) << left << 112 << background;
        QTest::addRow("opening %d bottom right", i + 1) << right << 118 << background;
    }

    // The bar between and beside the openings stays dark.
    QTest::newRow("bar left of openings") << 156 << 115 << dark;
    QTest::newRow("bar 165-169") << 167 << 115 << dark;
    QTest::newRow("bar 177-182") << 177 << 112 << dark;
    QTest::newRow("bar 190-195") << 195 << 118 << dark;
    QTest::newRow("bar 203-208") << 203 << 114 << dark;
    QTest::newRow("bar 216-220") << 218 << 116 << dark;
    QTest::newRow("bar 228-233") << 233 << 113 << dark;
    QTest::newRow("bar right of openings") << 241 << 115 << dark;

    QTest::newRow("light top left") << 152 << 119 << white;
    QTest::newRow("light top right") << 249 << 119 << white;
    QTest::newRow("light bottom left") << 152 << 131 << white;
    QTest::newRow("light bottom right") << 249 << 131 << white;
    QTest::newRow("left of light") << 151 << 125 << background;
    QTest::newRow("right of light") << 250 << 125 << background;
    QTest::newRow("below light") << 200 << 132 << background;
    QTest::newRow("light not in opening") << 198 << 118 << background;

    // Near the grating the white zero order lies on top of the coloured beams.
    QTest::newRow("zero order just above grating") << 198 << 111 << white;

    QTest::newRow("red tail end") << 26 << 53 << red;
    QTest::newRow("red tail joins base") << 29 << 53 << red;
    QTest::newRow("left of red tail") << 25 << 53 << background;
    QTest::newRow("above red tail") << 26 << 52 << background;
}

void TestIllustration::pixel()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QRgb, expected);
    QCOMPARE(hex(m_image.pixel(x, y)), hex(expected));
}

void TestIllustration::beamEnds_data()
{
    QTest::addColumn<QRgb>("colour");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");

    QTest::newRow("red left") << red << 35 << 47;
    QTest::newRow("green left") << green << 86 << 99;
    QTest::newRow("blue left") << blue << 132 << 144;
    QTest::newRow("zero order") << white << 192 << 203;
    QTest::newRow("blue right") << blue << 249 << 260;
    QTest::newRow("green right") << green << 301 << 311;
    QTest::newRow("red right") << red << 351 << 364;
}

void TestIllustration::beamEnds()
{
    QFETCH(QRgb, colour);
    QFETCH(int, left);
    QFETCH(int, right);

    for (int x = left; x <= right; ++x)
        QCOMPARE(hex(m_image.pixel(x, beamEndRow)), hex(colour));
    QVERIFY(m_image.pixel(left - 1, beamEndRow) != colour);
    QVERIFY(m_image.pixel(right + 1, beamEndRow) != colour);
}

void TestIllustration::peaks_data()
{
    QTest::addColumn<QRgb>("colour");
    QTest::addColumn<int>("apexX");
    QTest::addColumn<int>("apexY");
    QTest::addColumn<int>("baseLeft");
    QTest::addColumn<int>("baseRight");

    QTest::newRow("red left") << red << 36 << 2 << 30 << 42;
    QTest::newRow("green left") << green << 90 << 3 << 84 << 96;
    QTest::newRow("blue left") << blue << 137 << 3 << 131 << 143;
    QTest::newRow("zero order") << white << 198 << 2 << 192 << 204;
    QTest::newRow("blue right") << blue << 256 << 4 << 250 << 261;
    QTest::newRow("green right") << green << 308 << 4 << 302 << 313;
    QTest::newRow("red right") << red << 360 << 3 << 354 << 365;
}

void TestIllustration::peaks()
{
    QFETCH(QRgb, colour);
    QFETCH(int, apexX);
    QFETCH(int, apexY);
    QFETCH(int, baseLeft);
    QFETCH(int, baseRight);

    // The apex is a single pixel with nothing of the peak above it.
    QCOMPARE(hex(m_image.pixel(apexX, apexY)), hex(colour));
    QCOMPARE(hex(m_image.pixel(apexX - 1, apexY)), hex(background));
    QCOMPARE(hex(m_image.pixel(apexX + 1, apexY)), hex(background));
    QCOMPARE(hex(m_image.pixel(apexX, apexY - 1)), hex(background));

    // The base fills its row between the given ends.
    for (int x = baseLeft; x <= baseRight; ++x)
        QCOMPARE(hex(m_image.pixel(x, peakBaseRow)), hex(colour));
    QCOMPARE(hex(m_image.pixel(baseRight + 1, peakBaseRow)), hex(background));
    if (colour != red || baseLeft != 30) // the left red peak continues in its tail
        QCOMPARE(hex(m_image.pixel(baseLeft - 1, peakBaseRow)), hex(background));

    // The peak grows from apex to base: a row halfway down is wider than the apex
    // and no wider than the base.
    const int middleRow = (apexY + peakBaseRow) / 2;
    int width = 0;
    for (int x = baseLeft; x <= baseRight; ++x)
        width += m_image.pixel(x, middleRow) == colour ? 1 : 0;
    QVERIFY2(width > 1 && width <= baseRight - baseLeft + 1, qPrintable(QString::number(width)));
    QCOMPARE(hex(m_image.pixel(apexX, middleRow)), hex(colour));
}

QTEST_GUILESS_MAIN(TestIllustration)

#include "tst_illustration.moc"
