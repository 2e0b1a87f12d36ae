// SPDX-License-Identifier: GPL-3.0-or-later

// The program for screen readers and keyboard-only use: every widget has an
// accessible Czech name, the text items a screen reader asks for, and every
// control can be reached and worked with the keyboard through the tab
// order. What a screen reader does over AT-SPI is tested in tests/atspi.

#include "diffraction/start.h"
#include "surface/window/accessibletext.h"
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

    void textItems_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("start");
        const QString cornu = QStringLiteral("Cornuovy spirály");
        const int word = QAccessible::WordBoundary, character = QAccessible::CharBoundary;
        const int before = int(TextItem::Before), at = int(TextItem::At), after = int(TextItem::After);
        QTest::newRow("a word") << cornu << 3 << word << at << "Cornuovy" << 0;
        QTest::newRow("the blank between words") << cornu << 8 << word << at << " " << 8;
        QTest::newRow("the end: the last word") << cornu << 16 << word << at << "spirály" << 9;
        QTest::newRow("the end: no character") << cornu << 16 << character << at << "" << -1;
        QTest::newRow("before the end: the last character") << cornu << 16 << character << before << "y" << 15;
        QTest::newRow("before the last word") << cornu << 16 << word << before << " " << 8;
        QTest::newRow("after the first word") << cornu << 0 << word << after << " " << 8;
        QTest::newRow("nothing after the last word") << cornu << 12 << word << after << "" << -1;
        QTest::newRow("leading blanks") << QStringLiteral("  3.18") << 0 << word << at << "  " << 0;
        QTest::newRow("a sentence at the end") << QStringLiteral("Rel. kmitočet") << 13
                                               << int(QAccessible::SentenceBoundary) << at << "Rel. kmitočet" << 0;
        QTest::newRow("a line") << cornu << 16 << int(QAccessible::LineBoundary) << at << cornu << 0;
        QTest::newRow("no line after") << cornu << 3 << int(QAccessible::LineBoundary) << after << "" << -1;
        QTest::newRow("beyond the end") << cornu << 17 << word << at << "" << -1;
        QTest::newRow("empty") << QString() << 0 << word << at << "" << -1;
    }
    void textItems()
    {
        QFETCH(QString, text);
        QFETCH(int, offset);
        QFETCH(int, type);
        QFETCH(int, which);
        QFETCH(QString, item);
        QFETCH(int, start);
        int from = -2, to = -2;
        QCOMPARE(textItem(text, offset, QAccessible::TextBoundaryType(type), TextItem(which), &from, &to), item);
        QCOMPARE(from, start);
        QCOMPARE(to, start < 0 ? -1 : start + int(item.size()));
    }

    void whatAScreenReaderSees()
    {
        ShownProgram shown;
        // A frame named by its title.
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&shown.window());
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), shown.window().windowTitle());
        // The options in the order they stand on screen.
        QAccessibleInterface* frame
            = QAccessible::queryAccessibleInterface(shown.window().findChild<QWidget*>(QStringLiteral("nNomKmitočet")));
        QStringList options;
        for (int i = 0; i < frame->childCount(); ++i)
            options << frame->child(i)->text(QAccessible::Name);
        QCOMPARE(options, QStringList({ "2 průzory", "3 průzory", "4 průzory", "20 průzorů" }));
        // The prompt shows until the run's grey sweep covers it.
        QAccessibleInterface* prompt
            = QAccessible::queryAccessibleInterface(shown.window().findChild<QWidget*>(QStringLiteral("labKlepnete")));
        QCOMPARE(prompt->textInterface()->text(0, prompt->textInterface()->characterCount()),
            QStringLiteral("Klepněte na Start"));
        QVERIFY(!prompt->state().offscreen);
        shown.ui().setText(Field::Spomaleni, QStringLiteral("0"));
        shown.run(cmdStartClick);
        QVERIFY(prompt->state().offscreen);
    }

    void tabOrder()
    {
        // Tab goes through every control and caption in the stored order:
        // hidden fields, the label, the frame and the picture are passed over,
        // and the option group is one stop, at its selected button. Each stop
        // is read out by its Czech name.
        ShownProgram shown;
        Window& w = shown.window();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(focused()->objectName(), QStringLiteral("cmdStart"));
        QStringList visited;
        QStringList names { accessibleName(focused()) };
        for (int i = 0; i < 16; ++i) {
            tab();
            visited << focused()->objectName();
            names << accessibleName(focused());
        }
        const QStringList expected { "cmdKonec", "nTitul", "nCornu", "nMřížka", "HScrollKmitočet", "HScrollSpomaleni",
            "op4Dírky", "nRelKmitočet", "nSměs", "nVlny", "cmdStart", "cmdKonec", "nTitul", "nCornu", "nMřížka",
            "HScrollKmitočet" };
        QCOMPARE(visited, expected);
        const QStringList expectedNames { "Start", "Konec", "Difrakce na mřížce", "Cornuovy spirály", "clona s mřížkou",
            "Kmitočet pro 2, 3 a 4 průzory", "Zpomalení kreslení", "4 průzory", "Relativní kmitočet",
            "směs světla R+G+B" };
        QCOMPARE(names.mid(0, 10), expectedNames);

        // Arrow keys move the selection within the group, and the stop with it.
        auto* option = w.findChild<QRadioButton*>(QStringLiteral("op4Dírky"));
        option->setFocus(Qt::TabFocusReason);
        QTest::keyClick(option, Qt::Key_Right);
        QVERIFY(w.findChild<QRadioButton*>(QStringLiteral("op20"))->isChecked());
        QCOMPARE(shown.ui().text(Field::Ndirek), QStringLiteral("20"));
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("op20"))->focusPolicy(), Qt::StrongFocus);
        QCOMPARE(option->focusPolicy(), Qt::ClickFocus);
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
