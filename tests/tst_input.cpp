// SPDX-License-Identifier: GPL-3.0-or-later

// What the user does to the window, as the platform delivers it: clicks,
// keys, a finger on a touch screen, the scroll bars' keys and thumb, and all
// of it held while a run draws and carried out after it, in order.

#include "diffraction/start.h"
#include "surface/window/scrollbar.h"
#include "surface/window/surfacelabel.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

using namespace brelon;
using namespace brelon::test;

namespace {

QPointingDevice* touchScreen()
{
    static QPointingDevice* const screen = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
    return screen;
}
enum class Finger { Down, Move, Up };
/// A finger on a touch screen, delivered to the window as the platform does.
void touch(QWidget* w, Finger finger, QPoint at)
{
    auto sequence = QTest::touchEvent(w->window()->windowHandle(), touchScreen());
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
/// The system takes the touches on \a w's window over (an edge swipe, a
/// touch that became a scroll): the platform cancels them.
void cancelTouches(QWidget* w)
{
    QWindowSystemInterface::handleTouchCancelEvent<QWindowSystemInterface::SynchronousDelivery>(
        w->window()->windowHandle(), touchScreen(), Qt::NoModifier);
}
/// A mouse click, delivered to the window as the platform does.
void click(QWidget* w)
{
    QTest::mouseClick(w->window()->windowHandle(), Qt::LeftButton, {}, w->mapTo(w->window(), spot(w)));
}
/// A press or release of the left button on \a w at \a timestamp, as the
/// platform delivers it (QTest's own clicks are always far apart in time).
void mouse(QWidget* w, QEvent::Type type, int timestamp)
{
    QWindow* window = w->window()->windowHandle();
    const QPoint at = w->mapTo(w->window(), spot(w));
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    qt_handleMouseEvent(window, at, window->mapToGlobal(at), held, Qt::LeftButton, type, {}, timestamp);
}
/// The right arrow of a scroll bar.
QPoint arrow(const QScrollBar* bar)
{
    return { bar->width() - bar->height() / 2, bar->height() / 2 };
}

enum class Gesture {
    TapClick,
    ClickTap,
    ClickClick,
    QuickClicks,
    QuickTaps,
    DoubleClick,
    DoubleTap,
    CancelledTouchTap,
    CancelledDragTap,
};

void perform(WindowUi& ui, Gesture gesture)
{
    QRadioButton* two = ui.option(Option::Op2);
    QRadioButton* three = ui.option(Option::Op3);
    QRadioButton* twenty = ui.option(Option::Op20);
    ScrollBar* bar = ui.bar(Bar::Kmitocet);
    switch (gesture) {
    case Gesture::TapClick:
        tap(two, spot(two));
        click(three);
        break;
    case Gesture::ClickTap:
        click(two);
        tap(three, spot(three));
        break;
    case Gesture::ClickClick:
        click(two);
        click(three);
        break;
    case Gesture::QuickClicks: {
        // 100 ms apart, well within the double-click interval.
        const int t = QTest::lastMouseTimestamp += 1000;
        mouse(two, QEvent::MouseButtonPress, t);
        mouse(two, QEvent::MouseButtonRelease, t + 50);
        mouse(twenty, QEvent::MouseButtonPress, t + 100);
        mouse(twenty, QEvent::MouseButtonRelease, t + 150);
        QTest::lastMouseTimestamp += 1000;
        break;
    }
    case Gesture::QuickTaps:
        tap(two, spot(two));
        tap(twenty, spot(twenty));
        break;
    case Gesture::DoubleClick:
        QTest::mouseDClick(bar->window()->windowHandle(), Qt::LeftButton, {}, bar->mapTo(bar->window(), arrow(bar)));
        break;
    case Gesture::DoubleTap:
        tap(bar, arrow(bar));
        tap(bar, arrow(bar));
        break;
    case Gesture::CancelledTouchTap:
        touch(two, Finger::Down, spot(two));
        cancelTouches(two);
        tap(three, spot(three));
        break;
    case Gesture::CancelledDragTap:
        touch(bar, Finger::Down, spot(bar));
        for (int dx = 10; dx <= 60; dx += 10)
            touch(bar, Finger::Move, spot(bar) + QPoint(dx, 0));
        cancelTouches(bar);
        tap(bar, arrow(bar));
        break;
    }
}
} // namespace
Q_DECLARE_METATYPE(Gesture)

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
        tap(bar, arrow(bar));
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

    void inputDuringARunIsCarriedOutAsWhenIdle_data()
    {
        // Each gesture is made once with no run going and once during a
        // run; both times every click or tap in it is carried out, in order.
        // The second of two quick presses is a double click for the toolkit
        // (Qt 6.8 makes it one even far from the first).
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<Field>("field");
        QTest::addColumn<QStringList>("written");
        // The field's texts and the options' clicks, as they came.
        const QStringList twoThenThree { QStringLiteral("2"), QStringLiteral("op2 clicked"), QStringLiteral("3"),
            QStringLiteral("op3Dirky clicked") };
        const QStringList twoThenTwenty { QStringLiteral("2"), QStringLiteral("op2 clicked"), QStringLiteral("20"),
            QStringLiteral("op20 clicked") };
        const QStringList twoSteps { QStringLiteral("21"), QStringLiteral("22") };
        QTest::newRow("a tap on 2, then a click on 3") << Gesture::TapClick << Field::Ndirek << twoThenThree;
        QTest::newRow("a click on 2, then a tap on 3") << Gesture::ClickTap << Field::Ndirek << twoThenThree;
        QTest::newRow("a click on 2, then a click on 3") << Gesture::ClickClick << Field::Ndirek << twoThenThree;
        QTest::newRow("two quick clicks, on 2 and on 20") << Gesture::QuickClicks << Field::Ndirek << twoThenTwenty;
        QTest::newRow("two quick taps, on 2 and on 20") << Gesture::QuickTaps << Field::Ndirek << twoThenTwenty;
        // Each press of the arrow is a step, the double click's too.
        QTest::newRow("a double click on the frequency's arrow") << Gesture::DoubleClick << Field::Kmitocet << twoSteps;
        QTest::newRow("a double tap on the frequency's arrow") << Gesture::DoubleTap << Field::Kmitocet << twoSteps;
        // A touch the system takes over is not carried out, and the next
        // tap works at once.
        QTest::newRow("a touch on 2 cancelled, then a tap on 3")
            << Gesture::CancelledTouchTap << Field::Ndirek
            << QStringList { QStringLiteral("3"), QStringLiteral("op3Dirky clicked") };
        QTest::newRow("a drag of the frequency's thumb cancelled, then a tap on its arrow")
            << Gesture::CancelledDragTap << Field::Kmitocet << QStringList { QStringLiteral("21") };
    }
    void inputDuringARunIsCarriedOutAsWhenIdle()
    {
        QFETCH(Gesture, gesture);
        QFETCH(Field, field);
        QFETCH(QStringList, written);
        for (const bool duringARun : { false, true }) {
            ShownProgram shown;
            shown.ui().setText(Field::Spomaleni, QStringLiteral("100"));
            QStringList seen;
            QString structureDuring;
            const auto make = [&] {
                connect(shown.ui().field(field), &QLineEdit::textChanged, [&](const QString& text) { seen << text; });
                for (QRadioButton* option : shown.window().findChildren<QRadioButton*>())
                    connect(option, &QRadioButton::clicked, [&, option] { seen << option->objectName() + " clicked"; });
                perform(shown.ui(), gesture);
                structureDuring = shown.ui().text(Field::Ndirek);
            };
            if (duringARun) {
                QTimer::singleShot(50, make);
                shown.run(cmdStartClick);
                QCOMPARE(structureDuring, QStringLiteral("4"));
            } else {
                make();
            }
            if (field == Field::Kmitocet)
                QTest::qWait(700); // an arrow left pressed would step on after 500 ms
            QCOMPARE(seen, written);
            QCOMPARE(QWidget::mouseGrabber(), nullptr);
            for (QAbstractButton* button : shown.window().findChildren<QAbstractButton*>())
                QVERIFY2(!button->isDown(), qPrintable(button->objectName()));
            for (QScrollBar* bar : shown.window().findChildren<QScrollBar*>())
                QVERIFY2(!bar->isSliderDown(), qPrintable(bar->objectName()));
        }
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
