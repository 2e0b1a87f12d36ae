// SPDX-License-Identifier: GPL-3.0-or-later

// The window on a projector or a high-resolution screen: with a scale factor
// the window scales as a whole, the drawing surface keeps one image pixel per
// device pixel, and the picture at ratio 2, reduced by half, is the picture
// at ratio 1.

#include "diffraction/start.h"
#include "recordingui.h"
#include "testsupport.h"

#include <QProcess>

#include <cmath>

using namespace brelon;
using namespace brelon::test;

namespace {

QImage renderScene(qreal ratio, const QString& structure, const QString& frequency)
{
    SurfaceUi<Canvas> ui(QSize(758, 571), ratio);
    ui.fields[size_t(Field::Ndirek)] = structure;
    ui.fields[size_t(Field::Kmitocet)] = frequency;
    ui.fields[size_t(Field::Spomaleni)] = QStringLiteral("0");
    cmdStartClick(ui);
    return ui.surface.snapshot();
}

qreal expectedFactor()
{
    return qEnvironmentVariable("QT_SCALE_FACTOR").toDouble();
}

} // namespace

class TestScaling : public QObject {
    Q_OBJECT
private slots:
    void scaledWindow()
    {
        const qreal factor = expectedFactor();
        ShownProgram shown;
        Window& w = shown.window();
        QCOMPARE(w.devicePixelRatioF(), factor);
        // The layout keeps its logical size; the image follows the ratio.
        QCOMPARE(w.size(), QSize(758, 571));
        QCOMPARE(shown.canvas().devicePixelRatio(), factor);
        // The surface reaches the scan's right end, 800 pixels.
        QCOMPARE(shown.canvas().image().size(), QSize(int(std::ceil(800 * factor)), int(std::ceil(571 * factor))));
        shown.run(cmdStartClick);
        // Sharp: the scene below the illustration holds only the drawing's
        // own colours, no blended edge pixels; the aperture line, three
        // pixels, is 3 × factor device pixels thick.
        const QImage image = shown.canvas().snapshot();
        int other = 0;
        // Whole logical rows: 2700 and 7990 twips at 15 twips a pixel.
        const int top = 2700 / 15, bottom = 7990 / 15;
        for (int y = int(top * factor); y < int(bottom * factor); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
                other += pixel != blackRgb && pixel != greyRgb && pixel != whiteRgb ? 1 : 0;
            }
        QCOMPARE(other, 0);
        int aperture = 0;
        for (int y = int(525 * factor); y < int(545 * factor); ++y)
            aperture += (image.pixel(int(100 * factor), y) & 0xFFFFFF) == blackRgb ? 1 : 0;
        QCOMPARE(aperture, int(std::floor(535 * factor)) - int(std::floor(532 * factor)));
        const QImage grab = w.grab().toImage();
        QCOMPARE(grab.size(), QSize(int(std::ceil(758 * factor)), int(std::ceil(571 * factor))));
    }

    void otherFactors_data()
    {
        QTest::addColumn<QString>("factor");
        QTest::newRow("1.5") << "1.5";
        QTest::newRow("1") << "1";
    }
    void otherFactors()
    {
        QFETCH(QString, factor);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), factor);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("scaledWindow") });
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
    }

    void halfOfRatioTwoIsRatioOne_data()
    {
        QTest::addColumn<QString>("structure");
        QTest::addColumn<QString>("frequency");
        QTest::newRow("4 openings") << "4"
                                    << "20";
        QTest::newRow("20 openings") << "20"
                                     << "15";
    }
    void halfOfRatioTwoIsRatioOne()
    {
        QFETCH(QString, structure);
        QFETCH(QString, frequency);
        const QImage one = renderScene(1.0, structure, frequency);
        const QImage two = renderScene(2.0, structure, frequency);
        QCOMPARE(two.size(), one.size() * 2);
        const QImage reduced = two.scaled(one.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        long long same = 0;
        for (int y = 0; y < one.height(); ++y)
            for (int x = 0; x < one.width(); ++x)
                same += (reduced.pixel(x, y) & 0xFFFFFF) == (one.pixel(x, y) & 0xFFFFFF) ? 1 : 0;
        const double share = double(same) / (double(one.width()) * one.height());
        qInfo("equal pixels: %.4f %%", 100 * share);
        QVERIFY2(share >= 0.99, qPrintable(QString::number(share)));
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    TestScaling test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scaling.moc"
