// SPDX-License-Identifier: GPL-3.0-or-later

// brelon-bars: the scene mathematics of one run, as numbers and against a
// screenshot. Built for Linux, for Windows and for the browser from the same
// source, so the three C libraries' sine and cosine can be compared.
//
//   brelon-bars values STRUCTURE FREQUENCY
//       Prints the bar length L of every twip column X of the window and the
//       height of every incident-wave sample, exactly (hexadecimal floating
//       point), one value a line.
//   brelon-bars shown SHOT.png
//       Exit status 0 when the screenshot shows the window painted (its
//       illustration in place), 1 when not yet.
//   brelon-bars strip SHOT.png FREQUENCY
//       Exit status 0 when the screenshot's incident-wave strip is that of
//       FREQUENCY, 1 when not.
//   brelon-bars check SHOT.png STRUCTURE FREQUENCY [VALUES]
//       Reads a screenshot of the window's client area and says whether every
//       pixel column's bar and the incident-wave strip are where this
//       program's mathematics puts them (exit status 0) or not (1). VALUES,
//       the output of `values` from another build, is compared with this
//       build's: how many values differ, by how much, and whether any pixel
//       column would differ.
//
// Used by scripts/windows.sh to judge the Windows build under Wine.

#include "tests/e2e/shotcheck.h"

#include <QFile>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace shot = brelon::shot;

namespace {

constexpr int stripLength = 5001;

struct Values {
    std::vector<double> lengths; ///< one a twip column
    std::vector<double> strip; ///< one a sample
};

Values compute(const QString& structure, int frequency)
{
    return { shot::barLengths(structure, frequency), shot::stripSamples(frequency) };
}

int printValues(const QString& structure, int frequency)
{
    const Values values = compute(structure, frequency);
    for (double L : values.lengths)
        std::printf("%a\n", L);
    for (double y : values.strip)
        std::printf("%a\n", y);
    return EXIT_SUCCESS;
}

bool readValues(const QString& path, Values* values)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    std::vector<double> all;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty())
            continue;
        char* end = nullptr;
        const QByteArray bytes = line.toLatin1();
        all.push_back(std::strtod(bytes.constData(), &end));
        if (end == bytes.constData())
            return false;
    }
    const auto bars = static_cast<size_t>(shot::windowWidth) * 15;
    if (all.size() != bars + stripLength)
        return false;
    values->lengths.assign(all.begin(), all.begin() + std::ptrdiff_t(bars));
    values->strip.assign(all.begin() + std::ptrdiff_t(bars), all.end());
    return true;
}

/// Says how the other build's values differ from this build's.
void compare(const Values& ours, const Values& theirs)
{
    int lengthsDiffering = 0;
    double largest = 0;
    int largestAt = -1;
    for (size_t X = 0; X < ours.lengths.size(); ++X) {
        if (ours.lengths[X] == theirs.lengths[X])
            continue;
        ++lengthsDiffering;
        const double difference = std::abs(ours.lengths[X] - theirs.lengths[X]);
        if (difference > largest) {
            largest = difference;
            largestAt = int(X);
        }
    }
    std::printf("bar lengths: %d of %zu twip columns differ", lengthsDiffering, ours.lengths.size());
    if (lengthsDiffering > 0)
        std::printf(", at most by %.3g twips (X = %d: %.17g against %.17g)", largest, largestAt,
            ours.lengths[size_t(largestAt)], theirs.lengths[size_t(largestAt)]);
    std::printf("\n");

    const std::vector<int> ourTops = shot::topsOf(ours.lengths);
    const std::vector<int> theirTops = shot::topsOf(theirs.lengths);
    int columns = 0;
    for (size_t c = 0; c < ourTops.size(); ++c) {
        if (ourTops[c] != theirTops[c]) {
            ++columns;
            std::printf("  pixel column %zu: bar top at row %d against %d\n", c, theirTops[c], ourTops[c]);
        }
    }
    std::printf("bar tops: %d of %d pixel columns differ\n", columns, shot::windowWidth);

    int samples = 0;
    for (size_t i = 0; i < ours.strip.size(); ++i)
        samples += ours.strip[i] == theirs.strip[i] ? 0 : 1;
    const bool maskSame = shot::stripMask(ours.strip) == shot::stripMask(theirs.strip);
    std::printf("incident wave: %d of %zu samples differ; its pixels %s\n", samples, ours.strip.size(),
        maskSame ? "are the same" : "differ");
}

/// The screenshot at \a path, or a null image after saying why.
QImage readShot(const QString& path)
{
    const QImage image(path);
    if (image.isNull() || image.width() < shot::windowWidth || image.height() < shot::windowHeight) {
        std::fprintf(stderr, "brelon-bars: %s is not a screenshot of the window\n", qPrintable(path));
        return {};
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

int check(const QString& path, const QString& structure, int frequency, const QString& otherValues)
{
    const QImage image = readShot(path);
    if (image.isNull())
        return 2;
    const Values ours = compute(structure, frequency);
    if (!otherValues.isEmpty()) {
        Values theirs;
        if (!readValues(otherValues, &theirs)) {
            std::fprintf(stderr, "brelon-bars: cannot read the values in %s\n", qPrintable(otherValues));
            return 2;
        }
        compare(ours, theirs);
    }

    const QStringList bars = shot::barMismatches(image, shot::topsOf(ours.lengths), shot::spiralBottom(structure));
    QString first;
    const int strip = shot::stripMismatches(image, frequency, &first);
    for (const QString& problem : bars)
        std::printf("  %s\n", qPrintable(problem));
    std::printf("screenshot: %lld of %d bar columns differ from the mathematics; incident wave: %d pixels differ%s\n",
        static_cast<long long>(bars.size()), shot::windowWidth, strip, strip > 0 ? qPrintable(", first " + first) : "");
    return bars.isEmpty() && strip == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QString mode = args.value(0);
    bool ok = false;
    if (mode == u"values" && args.size() == 3) {
        const int frequency = args[2].toInt(&ok);
        if (ok)
            return printValues(args[1], frequency);
    }
    if (mode == u"shown" && args.size() == 2) {
        const QImage image = readShot(args[1]);
        if (image.isNull())
            return 2;
        return shot::windowShown(image) ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    if (mode == u"strip" && args.size() == 3) {
        const int frequency = args[2].toInt(&ok);
        const QImage image = readShot(args[1]);
        if (ok && !image.isNull())
            return shot::stripMismatches(image, frequency) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    if (mode == u"check" && (args.size() == 4 || args.size() == 5)) {
        const int frequency = args[3].toInt(&ok);
        if (ok)
            return check(args[1], args[2], frequency, args.value(4));
    }
    std::fprintf(stderr,
        "usage: brelon-bars values STRUCTURE FREQUENCY\n"
        "       brelon-bars shown SHOT.png\n"
        "       brelon-bars strip SHOT.png FREQUENCY\n"
        "       brelon-bars check SHOT.png STRUCTURE FREQUENCY [VALUES]\n");
    return 2;
}
