// SPDX-License-Identifier: GPL-3.0-or-later

// The program for screen readers and keyboard-only use: every widget has an
// accessible Czech name, and every control can be reached and worked with
// the keyboard through the tab order.

#include "testsupport.h"

#include <QAccessible>
#include <QPushButton>
#include <QRadioButton>

using namespace brelon;
using namespace brelon::test;

namespace {

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

QWidget* focused()
{
    return QApplication::focusWidget();
}

void tab()
{
    QTest::keyClick(focused(), Qt::Key_Tab);
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void everyWidgetHasAName()
    {
        ShownProgram shown;
        int named = 0;
        for (QWidget* w : shown.window().findChildren<QWidget*>()) {
            if (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_"))
                continue;
            const QString name = accessibleName(w);
            QVERIFY2(!name.isEmpty(), qPrintable(w->objectName()));
            // A placeholder stored in a hidden field is no name for it.
            QVERIFY2(!QStringList({ "Ndirek", "Spomalení" }).contains(name), qPrintable(name));
            ++named;
        }
        QCOMPARE(named, 23);
        QVERIFY(!accessibleName(&shown.window()).isEmpty());
    }

    void tabOrderNames()
    {
        ShownProgram shown;
        shown.window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&shown.window()));
        QStringList names { accessibleName(focused()) };
        for (int i = 0; i < 9; ++i) {
            tab();
            names << accessibleName(focused());
        }
        const QStringList expected { "Start", "Konec", "Difrakce na mřížce", "Cornuovy spirály", "clona s mřížkou",
            "Kmitočet pro 2, 3 a 4 průzory", "Zpomalení kreslení", "4 průzory", "Relativní kmitočet",
            "směs světla R+G+B" };
        QCOMPARE(names, expected);
    }

    void keyboardOnly()
    {
        ShownProgram shown;
        Window& w = shown.window();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto tabTo = [&](const QString& name) {
            for (int i = 0; i < 20 && focused()->objectName() != name; ++i)
                tab();
            return focused()->objectName() == name;
        };

        // Frequency with the arrow keys.
        QVERIFY(tabTo(QStringLiteral("HScrollKmitočet")));
        QTest::keyClick(focused(), Qt::Key_Right);
        QTest::keyClick(focused(), Qt::Key_Right);
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("22"));

        // Slowdown with the arrow keys.
        QVERIFY(tabTo(QStringLiteral("HScrollSpomaleni")));
        QTest::keyClick(focused(), Qt::Key_Right);
        QCOMPARE(shown.ui().text(Field::Spomaleni), QStringLiteral("4"));

        // Structure with the arrow keys inside the group.
        QVERIFY(tabTo(QStringLiteral("op4Dírky")));
        QTest::keyClick(focused(), Qt::Key_Left);
        QCOMPARE(focused()->objectName(), QStringLiteral("op3Dirky"));
        QCOMPARE(shown.ui().text(Field::Ndirek), QStringLiteral("3"));
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("20"));

        // Start with Space draws the scene.
        QVERIFY(tabTo(QStringLiteral("cmdStart")));
        QTest::keyClick(focused(), Qt::Key_Space);
        QCOMPARE(surfacePixel(shown.canvas(), 9050 / 15, 6450 / 15), blackRgb);
        QCOMPARE(shown.ui().pacer().decrements(), 11951LL * 4);

        // Konec with Space ends the program.
        QVERIFY(tabTo(QStringLiteral("cmdKonec")));
        QTest::keyClick(focused(), Qt::Key_Space);
        QVERIFY(!w.isVisible());
        QVERIFY(shown.sink.messages.isEmpty());
    }
};

BRELON_WIDGET_TEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
