// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/illustration.h"

#include <array>
#include <cmath>

namespace brelon {

namespace {

constexpr int imageWidth = 392;
constexpr int imageHeight = 134;

// The six flat colours of the picture.
constexpr QRgb backgroundColour = 0xffbfc0bf; // 191, 192, 191
constexpr QRgb darkColour = 0xff1f1810; // 31, 24, 16
constexpr QRgb whiteColour = 0xffffffff; // 255, 255, 255
constexpr QRgb blueColour = 0xff008fdf; // 0, 143, 223
constexpr QRgb greenColour = 0xffb0d87f; // 176, 216, 127
constexpr QRgb redColour = 0xffe07770; // 224, 119, 112

/// Inclusive rectangle in pixel coordinates.
struct Rect {
    int left;
    int top;
    int right;
    int bottom;
};

/// Inclusive horizontal range of pixels.
struct Span {
    int left;
    int right;
};

// The screen the diffracted beams fall on, and the grating they come from.
constexpr Rect screenLine { 4, 54, 387, 55 };
constexpr Rect gratingBar { 23, 112, 370, 118 };
constexpr std::array<Span, 7> gratingOpenings { {
    { 157, 164 },
    { 170, 176 },
    { 183, 189 },
    { 196, 202 },
    { 209, 215 },
    { 221, 227 },
    { 234, 240 },
} };

// White light falling on the grating from below.
constexpr Rect incidentLight { 152, 119, 249, 131 };

// Every beam leaves the grating as a single pixel in the middle opening and
// widens linearly until it reaches the row just below the screen line.
constexpr int beamOriginX = 198;
constexpr int beamOriginY = 114;
constexpr int beamEndY = 56;
constexpr int beamLastDrawnY = gratingBar.top - 1;

struct Beam {
    QRgb colour;
    Span end; // span on row beamEndY
};

// Outer beams first, so that the inner ones lie on top where they overlap
// near the grating; the white zero order comes last.
constexpr std::array<Beam, 7> beams { {
    { redColour, { 35, 47 } },
    { redColour, { 351, 364 } },
    { greenColour, { 86, 99 } },
    { greenColour, { 301, 311 } },
    { blueColour, { 132, 144 } },
    { blueColour, { 249, 260 } },
    { whiteColour, { 192, 203 } },
} };

// Each beam ends in an intensity peak: a triangle standing on the screen
// line, its base on the row just above it.
constexpr int peakBaseY = 53;

struct Peak {
    QRgb colour;
    int apexX;
    int apexY;
    Span base; // span on row peakBaseY
};

constexpr std::array<Peak, 7> peaks { {
    { redColour, 36, 2, { 30, 42 } },
    { redColour, 360, 3, { 354, 365 } },
    { greenColour, 90, 3, { 84, 96 } },
    { greenColour, 308, 4, { 302, 313 } },
    { blueColour, 137, 3, { 131, 143 } },
    { blueColour, 256, 4, { 250, 261 } },
    { whiteColour, 198, 2, { 192, 204 } },
} };

// The left red peak trails off to the left along its base row.
constexpr Rect redPeakTail { 26, peakBaseY, 29, peakBaseY };

void fillSpan(QImage& image, int y, int left, int right, QRgb colour)
{
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = left; x <= right; ++x)
        line[x] = colour;
}

void fillRect(QImage& image, const Rect& rect, QRgb colour)
{
    for (int y = rect.top; y <= rect.bottom; ++y)
        fillSpan(image, y, rect.left, rect.right, colour);
}

/// Linear interpolation from \a from (at t = 0) to \a to (at t = 1),
/// rounded to the nearest pixel.
int interpolate(int from, int to, double t)
{
    return static_cast<int>(std::lround(from + (to - from) * t));
}

void drawBeam(QImage& image, const Beam& beam)
{
    for (int y = beamEndY; y <= beamLastDrawnY; ++y) {
        const double t = double(beamOriginY - y) / double(beamOriginY - beamEndY);
        fillSpan(image, y, interpolate(beamOriginX, beam.end.left, t), interpolate(beamOriginX, beam.end.right, t),
            beam.colour);
    }
}

void drawPeak(QImage& image, const Peak& peak)
{
    for (int y = peak.apexY; y <= peakBaseY; ++y) {
        const double t = double(y - peak.apexY) / double(peakBaseY - peak.apexY);
        fillSpan(image, y, interpolate(peak.apexX, peak.base.left, t), interpolate(peak.apexX, peak.base.right, t),
            peak.colour);
    }
}

} // namespace

QImage illustration()
{
    QImage image(imageWidth, imageHeight, QImage::Format_RGB32);
    image.fill(backgroundColour);

    for (const Beam& beam : beams)
        drawBeam(image, beam);
    for (const Peak& peak : peaks)
        drawPeak(image, peak);
    fillRect(image, redPeakTail, redColour);

    fillRect(image, screenLine, darkColour);

    fillRect(image, gratingBar, darkColour);
    for (const Span& opening : gratingOpenings)
        fillRect(image, { opening.left, gratingBar.top, opening.right, gratingBar.bottom }, backgroundColour);

    fillRect(image, incidentLight, whiteColour);

    return image;
}

} // namespace brelon
