// SPDX-License-Identifier: GPL-3.0-or-later

// What a screenshot of the window's 758 × 571 client area shows, read against
// the scene mathematics: where the widgets lie, the incident-wave strip, and
// each pixel column's intensity bar. Shared by the end-to-end suite and the
// bar checker (brelon-bars).

#pragma once

#include "diffraction/scene.h"
#include "tests/storedlayout.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace brelon::shot {

inline constexpr int windowWidth = 758;
inline constexpr int windowHeight = 571;
inline constexpr QRgb greyRgb = 0xC0C0C0;

// The pixel that holds a coordinate in twips, as the drawing surface places
// it: the coordinate reaches the surface in single precision, 15 twips a pixel.
inline int pixelOf(float twips)
{
    return int(std::floor(double(twips) / 15));
}

// The widgets the checks look at, where they lie on the window.
inline constexpr QRect slowdownBar = test::clientPixels(test::storedWidget("HScrollSpomaleni"));
inline constexpr QRect startButton = test::clientPixels(test::storedWidget("cmdStart"));
inline constexpr QRect konecButton = test::clientPixels(test::storedWidget("cmdKonec"));
inline constexpr QRect frameRect = test::clientPixels(test::storedWidget(test::structureFrame));
inline constexpr QRect op2Rect = test::clientPixels(test::storedWidget("op2"));
inline constexpr QRect op4Rect = test::clientPixels(test::storedWidget("op4Dírky"));
inline constexpr QRect op20Rect = test::clientPixels(test::storedWidget("op20"));
inline constexpr QRect pictureRect = test::clientPixels(test::storedWidget("Picture1"));
inline constexpr QRect wavesCaption = test::clientPixels(test::storedWidget("nVlny"));
inline constexpr QRect frequencyBar = test::clientPixels(test::storedWidget("HScrollKmitočet"));
inline constexpr QRect frequencyBar20 = test::clientPixels(test::storedWidget("HScrollKmitocet20"));
inline constexpr QRect promptRect = test::clientPixels(test::storedWidget("labKlepnete"));

// The rows of the frequency bars that the caption above them leaves
// uncovered, and the middle one, where the pointer takes the bars.
inline constexpr QRect barBand(frequencyBar.left(), wavesCaption.bottom() + 1, frequencyBar.width(),
    frequencyBar.bottom() - wavesCaption.bottom());
inline constexpr int barRow = barBand.center().y();

// The free band that holds the incident wave: below the frame, above the
// caption, left of the picture box.
inline const QRect waveArea(0, frameRect.bottom() + 1, pictureRect.left(), wavesCaption.top() - frameRect.bottom() - 1);
inline const int axisRow = pixelOf(1700);
inline const int waveLeft = pixelOf(500);
inline const int waveRight = pixelOf(5500);
inline const int baselineRow = pixelOf(float(scene::patternY));

inline bool isBlack(QRgb pixel)
{
    return (pixel & 0xFFFFFF) == 0;
}

inline bool isGrey(QRgb pixel)
{
    return (pixel & 0xFFFFFF) == greyRgb;
}

inline bool isDark(QRgb pixel)
{
    return qRed(pixel) < 96 && qGreen(pixel) < 96 && qBlue(pixel) < 96;
}

inline QString hex(QRgb pixel)
{
    return QStringLiteral("#%1").arg(pixel & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

/// \brief The y in twips of the incident-wave strip's 5001 samples at
/// frequency \a f: 1700 − 200 · sin(i · f / 5000), sample i at x = 500 + i.
inline std::vector<double> stripSamples(int f)
{
    std::vector<double> y(5001);
    const double k = f / 5000.0;
    for (int i = 0; i <= 5000; ++i)
        y[size_t(i)] = 1700 - 200 * std::sin(i * k);
    return y;
}

/// \brief Which pixels of the wave area the strip with the sample heights
/// \a samples paints black: the axis and one mark a sample.
inline std::vector<bool> stripMask(const std::vector<double>& samples)
{
    std::vector<bool> mask(size_t(waveArea.width() * waveArea.height()), false);
    const auto set = [&](int x, int y) {
        if (waveArea.contains(x, y))
            mask[size_t((y - waveArea.top()) * waveArea.width() + x - waveArea.left())] = true;
    };
    for (int x = waveLeft; x <= waveRight; ++x)
        set(x, axisRow);
    for (size_t i = 0; i < samples.size(); ++i)
        set(pixelOf(float(500 + i)), pixelOf(float(samples[i])));
    return mask;
}

/// \brief Which pixels of the wave area the incident-wave strip at frequency
/// \a f paints black.
inline std::vector<bool> stripMask(int f)
{
    return stripMask(stripSamples(f));
}

/// \brief Pixels of the wave area that differ from the strip at frequency \a f
/// (black where a mark belongs, background grey elsewhere).
inline int stripMismatches(const QImage& shot, int f, QString* first = nullptr)
{
    const std::vector<bool> mask = stripMask(f);
    int count = 0;
    for (int y = waveArea.top(); y <= waveArea.bottom(); ++y) {
        for (int x = waveArea.left(); x <= waveArea.right(); ++x) {
            const bool black = mask[size_t((y - waveArea.top()) * waveArea.width() + x - waveArea.left())];
            const QRgb pixel = shot.pixel(x, y);
            if (black ? isBlack(pixel) : isGrey(pixel))
                continue;
            if (count++ == 0 && first)
                *first = QStringLiteral("(%1, %2) is %3, expected %4")
                             .arg(x)
                             .arg(y)
                             .arg(hex(pixel), black ? "black" : "grey");
        }
    }
    return count;
}

/// \brief Where the curve crosses the axis upwards, between x 500 and 5500
/// twips: a column wholly below the axis followed by one wholly above it.
inline int upwardCrossings(const QImage& shot)
{
    int crossings = 0;
    int previous = 0;
    for (int x = waveLeft; x <= waveRight; ++x) {
        bool above = false, below = false;
        for (int y = axisRow - 17; y < axisRow; ++y)
            above = above || isBlack(shot.pixel(x, y));
        for (int y = axisRow + 1; y <= axisRow + 17; ++y)
            below = below || isBlack(shot.pixel(x, y));
        const int side = above == below ? 0 : (above ? 1 : -1);
        if (side == 0)
            continue;
        if (previous == -1 && side == 1)
            ++crossings;
        previous = side;
    }
    return crossings;
}

/// \brief The bar length L in twips of every twip column X of the window,
/// as the scene mathematics puts it.
inline std::vector<double> barLengths(const QString& structure, double F)
{
    const int openings = structure.toInt();
    const int s = scene::phasorLength(structure);
    const auto k = scene::intensityScale(structure, F);
    std::vector<double> lengths(static_cast<size_t>(windowWidth) * 15);
    for (int X = 0; X < windowWidth * 15; ++X) {
        const scene::Point end = scene::chainEnd(X, openings - 1, s, F);
        lengths[size_t(X)] = scene::barLength(scene::intensity(X, end), k);
    }
    return lengths;
}

/// \brief The top row of each pixel column's bar for the bar lengths
/// \a lengths: a pixel column holds the bars of its 15 twips, so it shows the
/// tallest of them. The baseline row where no bar rises above it.
inline std::vector<int> topsOf(const std::vector<double>& lengths)
{
    std::vector<int> tops(windowWidth, baselineRow);
    for (size_t X = 0; X < lengths.size() && X < static_cast<size_t>(windowWidth) * 15; ++X)
        tops[X / 15] = std::min(tops[X / 15], pixelOf(float(scene::patternY - lengths[X])));
    return tops;
}

/// \brief The top row of each pixel column's bar, as the scene mathematics
/// puts it.
inline std::vector<int> expectedTops(const QString& structure, double F)
{
    return topsOf(barLengths(structure, F));
}

/// \brief The lowest row the phasor chains can reach: N segments of s twips
/// from the spiral baseline.
inline int spiralBottom(const QString& structure)
{
    return pixelOf(float(scene::spiralY + structure.toInt() * scene::phasorLength(structure)));
}

/// \brief The top of the black run that stands on the baseline in a column
/// (one below the baseline when even the baseline is missing).
inline int measuredTop(const QImage& shot, int column)
{
    int row = baselineRow;
    if (!isBlack(shot.pixel(column, row)))
        return baselineRow + 1;
    while (row > 0 && isBlack(shot.pixel(column, row - 1)))
        --row;
    return row;
}

/// \brief Columns whose bar differs from the expected one: black from the
/// expected top down to the baseline and, below the reach of the spirals,
/// background grey above it. Columns from \a to on are left out.
inline QStringList barMismatches(const QImage& shot, const std::vector<int>& tops, int spiralRow, int to = windowWidth)
{
    QStringList problems;
    for (int c = 0; c < to; ++c) {
        const int top = tops[size_t(c)];
        const int measured = measuredTop(shot, c);
        if (measured > top) {
            problems << QStringLiteral("column %1: bar top at row %2, expected %3").arg(c).arg(measured).arg(top);
            continue;
        }
        for (int r = spiralRow + 1; r < top; ++r) {
            if (!isGrey(shot.pixel(c, r))) {
                problems << QStringLiteral("column %1: %2 at row %3 above the bar top %4")
                                .arg(c)
                                .arg(hex(shot.pixel(c, r)))
                                .arg(r)
                                .arg(top);
                break;
            }
        }
    }
    return problems;
}

/// \brief The rightmost pixel column whose bar shows in the row above the
/// baseline, among the columns whose finished bar reaches that row; -1 when
/// no bar shows.
inline int barFront(const QImage& shot, const std::vector<int>& tops)
{
    for (int c = windowWidth - 1; c >= 0; --c) {
        if (tops[size_t(c)] < baselineRow && isBlack(shot.pixel(c, baselineRow - 1)))
            return c;
    }
    return -1;
}

/// \brief Whether the screenshot shows the window at all: the illustration's
/// zero-order beam and blue peak where they belong.
inline bool windowShown(const QImage& shot)
{
    const QPoint origin = pictureRect.topLeft();
    return (shot.pixel(origin + QPoint(198, 60)) & 0xFFFFFF) == 0xFFFFFF
        && (shot.pixel(origin + QPoint(137, 3)) & 0xFFFFFF) == (qRgb(0, 143, 223) & 0xFFFFFF);
}

} // namespace brelon::shot
