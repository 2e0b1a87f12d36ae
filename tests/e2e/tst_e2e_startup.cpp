// SPDX-License-Identifier: GPL-3.0-or-later

// The window as it first shows: its caption, the widgets on the grey, the
// prompt and the illustration, with nothing drawn yet.

#include "tests/e2e/harness.h"

#include <QTest>

#include <algorithm>
#include <string_view>
#include <vector>

using namespace brelon::e2e;
using namespace brelon::shot;

class E2EStartup : public Harness {
    Q_OBJECT

private slots:
    void firstView();
};

void E2EStartup::firstView()
{
    E2E_SHOT(shot, QStringLiteral("first-view"));

    // The caption, as the window system knows it.
    const ToolResult name = tool(QStringLiteral("xdotool"), { QStringLiteral("getwindowname"), m_window });
    QVERIFY2(name.ok, qPrintable(m_toolError));
    QCOMPARE(QString::fromUtf8(name.out).trimmed(), QStringLiteral("Brelon - www.example.org"));

    // Nothing is drawn yet: outside the widgets and the prompt the whole
    // client area, the strip band and the pattern baseline included, is
    // background grey.
    std::vector<QRect> widgets { promptRect };
    for (const std::string_view widget : visibleWidgets)
        widgets.push_back(brelon::test::clientPixels(brelon::test::storedWidget(widget)));
    int drawn = 0;
    QString first;
    for (int y = 0; y < windowHeight; ++y) {
        for (int x = 0; x < windowWidth; ++x) {
            const bool covered
                = std::any_of(widgets.begin(), widgets.end(), [&](const QRect& r) { return r.contains(x, y); });
            if (covered || isGrey(shot.image.pixel(x, y)))
                continue;
            if (drawn++ == 0)
                first = QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(hex(shot.image.pixel(x, y)));
        }
    }
    QVERIFY2(drawn == 0, qPrintable(QStringLiteral("%1 drawn pixels, first %2").arg(drawn).arg(first)));
    for (int x = 0; x < windowWidth; ++x)
        QVERIFY2(!isBlack(shot.image.pixel(x, baselineRow)), qPrintable(QStringLiteral("baseline at %1").arg(x)));

    // The option buttons on the window's grey, inside the frame's border.
    const QString look = storedLookProblem(shot.image, View(m_geometry.size()));
    QVERIFY2(look.isEmpty(), qPrintable(look));

    // The prompt: dark letters on grey inside the label.
    const int letters = countPixels(shot.image, promptRect, isDark);
    QVERIFY2(letters > 300, qPrintable(QStringLiteral("%1 dark pixels in the prompt").arg(letters)));
    QVERIFY(countPixels(shot.image, promptRect, isGrey) > promptRect.width() * promptRect.height() / 2);

    // The illustration, unscaled from the picture box's top left.
    const QPoint origin = pictureRect.topLeft();
    const struct {
        QPoint at;
        QRgb colour;
        const char* what;
    } illustration[] = {
        { { 5, 5 }, qRgb(191, 192, 191), "background" },
        { { 198, 60 }, qRgb(255, 255, 255), "zero-order beam" },
        { { 198, 10 }, qRgb(255, 255, 255), "zero-order peak" },
        { { 137, 3 }, qRgb(0, 143, 223), "blue peak" },
        { { 90, 3 }, qRgb(176, 216, 127), "green peak" },
        { { 36, 2 }, qRgb(224, 119, 112), "red peak" },
        { { 100, 54 }, qRgb(31, 24, 16), "screen line" },
        { { 50, 115 }, qRgb(31, 24, 16), "grating bar" },
        { { 160, 115 }, qRgb(191, 192, 191), "opening" },
        { { 200, 125 }, qRgb(255, 255, 255), "incident light" },
    };
    for (const auto& point : illustration) {
        const QRgb pixel = shot.image.pixel(origin + point.at) & 0xFFFFFF;
        QVERIFY2(pixel == (point.colour & 0xFFFFFF),
            qPrintable(
                QStringLiteral("%1 at %2,%3: %4").arg(point.what).arg(point.at.x()).arg(point.at.y()).arg(hex(pixel))));
    }
}

QTEST_GUILESS_MAIN(E2EStartup)

#include "tst_e2e_startup.moc"
