// SPDX-License-Identifier: GPL-3.0-or-later

// What the user does to the window, as the platform delivers it: clicks,
// keys, a finger on a touch screen, the scroll bars' keys and thumb, and all
// of it held while a run draws and carried out after it, in order.

#include "diffraction/start.h"
#include "surface/window/scrollbar.h"
#include "surface/window/surfacelabel.h"
#include "testsupport.h"

#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>

using namespace brelon;
using namespace brelon::test;

namespace {

enum class Finger { Down, Move, Up };
/// A finger on a touch screen, delivered to the window as the platform does.
void touch(QWidget* w, Finger finger, QPoint at)
{
    static QPointingDevice* const screen = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
    auto sequence = QTest::touchEvent(w->window()->windowHandle(), screen);
    const QPoint p = w->mapTo(w->window(), at);
    finger == Finger::Down       ? sequence.press(0, p)
        : finger == Finger::Move ? sequence.move(0, p)
                                 : sequence.release(0, p);
}
/// Where a finger or the mouse meets \a w: an option's circle, a scroll
/// bar's thumb at its minimum (right of the arrow), else the middle.
QPoint spot(QWidget* w)
{
    if (qobject_cast<QRadioButton*>(w))
        return { 6, w->height() / 2 };
    if (qobject_cast<QScrollBar*>(w))
        return { w->height() + 4, w->height() / 2 };
    return w->rect().center();
}
void tap(QWidget* w, QPoint at)
{
    touch(w, Finger::Down, at);
    touch(w, Finger::Up, at);
}
/// A mouse click, delivered to the window as the platform does.
void click(QWidget* w)
{
    QTest::mouseClick(w->window()->windowHandle(), Qt::LeftButton, {}, w->mapTo(w->window(), spot(w)));
}

// The child process: the real program with its message box, driven by timers.
} // namespace

class TestInput : public QObject {
    Q_OBJECT
private slots:
    void eventsDuringARunWaitForItsEnd()
    {
        // A run of about 0.4 s answers the window system between frames; a
        // click and a close that reach the window meanwhile are carried out
        // after the run, in their order.
        ShownProgram shown;
        shown.ui().setText(Field::Spomaleni, QStringLiteral("100"));
        QString structureDuring;
        bool shownDuring = false;
        QTimer::singleShot(50, [&] {
            shown.ui().option(Option::Op2)->click();
            shown.window().close();
            structureDuring = shown.ui().text(Field::Ndirek);
            shownDuring = shown.window().isVisible();
        });
        shown.run(cmdStartClick);
        QCOMPARE(structureDuring, QStringLiteral("4"));
        QVERIFY(shownDuring);
        QCOMPARE(shown.ui().text(Field::Ndirek), QStringLiteral("2"));
        QVERIFY(!shown.window().isVisible());
    }

    void touchWorksAsAMouseDoes()
    {
        ShownProgram shown;
        tap(shown.ui().option(Option::Op2), spot(shown.ui().option(Option::Op2)));
        QCOMPARE(shown.ui().text(Field::Ndirek), QStringLiteral("2"));
        // One tap, one action: never the touch and its mouse events both.
        QPushButton* start = shown.window().roles().button(Button::Start);
        QSignalSpy starts(start, &QPushButton::clicked);
        tap(start, spot(start));
        QCOMPARE(starts.count(), 1);
        QVERIFY(widget<SurfaceLabel>(shown.window(), QStringLiteral("labKlepnete"))->covered());

        // A scroll bar: its right arrow and its trough a step each, then the
        // thumb dragged, reporting its value when the finger lifts.
        ScrollBar* bar = shown.ui().bar(Bar::Kmitocet);
        tap(bar, QPoint(bar->width() - bar->height() / 2, bar->height() / 2));
        QCOMPARE(bar->value(), 1);
        tap(bar, QPoint(bar->width() * 3 / 4, bar->height() / 2));
        QCOMPARE(bar->value(), 2);
        const QPoint thumb = spot(bar);
        touch(bar, Finger::Down, thumb);
        for (int dx = 10; dx <= 60; dx += 10)
            touch(bar, Finger::Move, thumb + QPoint(dx, 0));
        QCOMPARE(bar->value(), 2);
        touch(bar, Finger::Up, thumb + QPoint(60, 0));
        QVERIFY2(bar->value() > 10, qPrintable(QString::number(bar->value())));
        QCOMPARE(shown.ui().text(Field::Kmitocet), QString::number(20 + bar->value()));
        QVERIFY(!bar->isSliderDown());
    }

    void touchDuringARunWaitsForItsEnd_data()
    {
        // Each input reaches the window as the platform delivers it; the
        // second lands after the first has run its handler.
        QTest::addColumn<bool>("firstTapped");
        QTest::addColumn<bool>("secondTapped");
        QTest::newRow("a tap on 2, then a click on 3") << true << false;
        QTest::newRow("a click on 2, then a tap on 3") << false << true;
        QTest::newRow("a click on 2, then a click on 3") << false << false;
    }
    void touchDuringARunWaitsForItsEnd()
    {
        QFETCH(bool, firstTapped);
        QFETCH(bool, secondTapped);
        ShownProgram shown;
        shown.ui().setText(Field::Spomaleni, QStringLiteral("100"));
        const auto press = [](QWidget* w, bool tapped) { tapped ? tap(w, spot(w)) : click(w); };
        QString structureDuring;
        QTimer::singleShot(50, [&] {
            press(shown.ui().option(Option::Op2), firstTapped);
            press(shown.ui().option(Option::Op3), secondTapped);
            structureDuring = shown.ui().text(Field::Ndirek);
        });
        shown.run(cmdStartClick);
        QCOMPARE(structureDuring, QStringLiteral("4"));
        QCOMPARE(shown.ui().text(Field::Ndirek), QStringLiteral("3"));
        QVERIFY(!shown.ui().option(Option::Op2)->isDown());
    }

    void touchFromARunToAfterItLeavesNothingPressed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("the slowdown bar's thumb") << QStringLiteral("HScrollSpomaleni");
        QTest::newRow("the option 20") << QStringLiteral("op20");
    }
    void touchFromARunToAfterItLeavesNothingPressed()
    {
        QFETCH(QString, name);
        ShownProgram shown;
        shown.ui().setText(Field::Spomaleni, QStringLiteral("100"));
        QWidget* w = widget(shown.window(), name);
        const QPoint at = spot(w);
        QTimer::singleShot(50, [&] { touch(w, Finger::Down, at); });
        shown.run(cmdStartClick);
        touch(w, Finger::Up, at);
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
        if (auto* bar = qobject_cast<QScrollBar*>(w)) {
            QVERIFY(!bar->isSliderDown());
        } else {
            QVERIFY(!qobject_cast<QAbstractButton*>(w)->isDown());
            QCOMPARE(shown.ui().text(Field::Ndirek), QStringLiteral("20"));
        }
    }

    void scrollBarKeysAndDrag()
    {
        ShownProgram shown;
        ScrollBar* bar = shown.ui().bar(Bar::Kmitocet);
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(bar->value(), 1);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("21"));
        QTest::keyClick(bar, Qt::Key_Left);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("20"));
        QTest::keyClick(bar, Qt::Key_End);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("200"));
        QCOMPARE(shown.ui().text(Field::RelKmitocet), QStringLiteral("31.85"));
        QTest::keyClick(bar, Qt::Key_Home);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("20"));

        // A dragged thumb reports its value only when it is released.
        bar->setSliderDown(true);
        bar->setSliderPosition(50);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("20"));
        bar->setSliderPosition(60);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("20"));
        bar->setSliderDown(false);
        QCOMPARE(bar->value(), 60);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("80"));
    }

    void outOfRangePutIsAnError()
    {
        ShownProgram shown;
        shown.run([](Ui& ui) { ui.setValue(Bar::Kmitocet, 181); });
        QCOMPARE(shown.sink.messages.size(), 1);
        QVERIFY(shown.sink.messages.front().startsWith(QStringLiteral("Neplatná hodnota")));
        QCOMPARE(shown.ui().value(Bar::Kmitocet), 0);
    }
};

BRELON_WIDGET_TEST_MAIN(TestInput)
#include "tst_input.moc"
