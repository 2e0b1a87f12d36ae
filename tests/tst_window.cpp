// SPDX-License-Identifier: GPL-3.0-or-later

// The main window as stored and as start-up leaves it: widgets, fonts,
// visibility, the illustration, the surface keeping its picture and
// magnified with the window, drawing while hidden, the error and exit paths
// of the real program (in a child process), and the real binary refusing to
// start. What the user does to it is tst_input's, its tab order
// tst_accessibility's.

#include "app/layout.h"
#include "app/program.h"
#include "diffraction/start.h"
#include "params/frequency.h"
#include "params/structure.h"
#include "recordingui.h"
#include "storedlayout.h"
#include "storedlook.h"
#include "surface/window/scrollbar.h"
#include "testsupport.h"

#include <QAccessible>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPaintEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <functional>
#include <tuple>
#include <vector>

using namespace brelon;
using namespace brelon::test;

namespace {

/// Calls a function with every event an object gets.
class EventWatch : public QObject {
public:
    EventWatch(QObject* watched, std::function<void(QEvent*)> seen)
        : m_seen(std::move(seen))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        m_seen(event);
        return false;
    }

private:
    std::function<void(QEvent*)> m_seen;
};

QStringList visibleWidgetNames(QWidget& window)
{
    QStringList names;
    for (QWidget* w : window.findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && w->isVisibleTo(&window))
            names << w->objectName();
    names.sort();
    return names;
}

int childMain(int argc, char** argv, const QByteArray& mode)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    Program program;
    program.start();
    Window& window = program.window();
    if (mode == "error") {
        program.ui().setText(Field::Kmitocet, QStringLiteral("abc"));
        auto* watch = new QTimer(&app);
        QObject::connect(watch, &QTimer::timeout, [&window] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            // The sweep that ran before the error covered the prompt and stays.
            const QRgb prompt = window.canvas().image().pixel(3120 / 15 + 2, 4080 / 15 + 2) & 0xFFFFFF;
            std::printf("message: %s\nkept: %s\n", qPrintable(box->text()), prompt == 0xC0C0C0 ? "yes" : "no");
            std::fflush(stdout);
            box->accept();
        });
        watch->start(20);
        QTimer::singleShot(50, [&window] { widget<QPushButton>(window, QStringLiteral("cmdStart"))->click(); });
    } else if (mode == "ratio") {
        // The window moved to a screen of ratio 2 while it paints nothing:
        // the picture is drawn again at the new ratio all the same, as the
        // same run drawn at ratio 2 from the start.
        QTimer::singleShot(50, [&program, &window] {
            program.ui().setText(Field::Spomaleni, QStringLiteral("0"));
            program.run(cmdStartClick);
            window.setUpdatesEnabled(false);
            window.move(QGuiApplication::screens().at(1)->geometry().topLeft() + QPoint(50, 50));
            QCoreApplication::processEvents();
            test::SurfaceUi<Canvas> fresh(window.canvas().size(), 2.0);
            for (const Field field : { Field::Ndirek, Field::Kmitocet, Field::Spomaleni })
                fresh.fields[size_t(field)] = program.ui().text(field);
            cmdStartClick(fresh);
            const bool same = window.canvas().snapshot() == fresh.surface.snapshot();
            std::printf("ratio: %g\nsame: %s\n", window.canvas().devicePixelRatio(), same ? "yes" : "no");
            std::fflush(stdout);
            window.setUpdatesEnabled(true);
            window.close();
        });
    } else if (mode == "konec") {
        QTimer::singleShot(50, [&window] { widget<QPushButton>(window, QStringLiteral("cmdKonec"))->click(); });
    } else if (mode == "close") {
        QTimer::singleShot(50, [&window] { window.close(); });
    }
    return QApplication::exec();
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void storedLayout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shown");
        for (const StoredWidget& w : brelon::test::storedLayout)
            QTest::newRow(w.name) << QString::fromUtf8(w.name) << QString::fromUtf8(w.kind) << w.twips
                                  << QString::fromUtf8(w.text) << w.shown;
    }
    void storedLayout()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QRect, twips);
        QFETCH(QString, text);
        QFETCH(bool, shown);
        const std::unique_ptr<Window> window = createWindow();
        QWidget* w = widget(*window, name);
        QVERIFY2(w->inherits(kind.toUtf8()), w->metaObject()->className());
        QCOMPARE(w->geometry(), pixelRect(twips));
        QCOMPARE(w->isVisibleTo(window.get()), shown);
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            QCOMPARE(edit->text(), text);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            QCOMPARE(button->text(), text);
        else if (auto* box = qobject_cast<QGroupBox*>(w))
            QCOMPARE(box->title(), text);
        else if (auto* label = qobject_cast<QLabel*>(w); label && name == u"labKlepnete")
            QCOMPARE(label->text(), text);
    }

    void storedWindow()
    {
        const std::unique_ptr<Window> window = createWindow();
        QCOMPARE(window->objectName(), QStringLiteral("Brelon"));
        QVERIFY(window->windowTitle().startsWith(QStringLiteral("Brelon - ")));
        QVERIFY(window->windowTitle().size() > 9);
        QCOMPARE(window->size(), QSize(758, 571));
        QCOMPARE(window->findChildren<QWidget*>(QString(), Qt::FindChildrenRecursively).size() >= 23, true);
        int named = 0;
        for (QWidget* w : window->findChildren<QWidget*>())
            named += w->objectName().isEmpty() || w->objectName().startsWith(u"qt_") ? 0 : 1;
        QCOMPARE(named, 23);
        // Scroll ranges and values as stored; no option selected.
        QCOMPARE(widget<QScrollBar>(*window, QStringLiteral("HScrollKmitočet"))->maximum(), 180);
        QCOMPARE(widget<QScrollBar>(*window, QStringLiteral("HScrollKmitocet20"))->maximum(), 10);
        QCOMPARE(widget<QScrollBar>(*window, QStringLiteral("HScrollSpomaleni"))->maximum(), 10000);
        for (QScrollBar* bar : window->findChildren<QScrollBar*>()) {
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->value(), 0);
            QCOMPARE(bar->singleStep(), 1);
            QCOMPARE(bar->pageStep(), 1);
        }
        for (QRadioButton* option : window->findChildren<QRadioButton*>())
            QVERIFY(!option->isChecked());
    }

    void fonts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("bold");
        QTest::newRow("nTitul") << "nTitul"
                                << "Liberation Serif" << 19 << true;
        QTest::newRow("cmdStart") << "cmdStart"
                                  << "Liberation Serif" << 19 << false;
        QTest::newRow("labKlepnete") << "labKlepnete"
                                     << "Liberation Serif" << 21 << true;
        QTest::newRow("nVlny") << "nVlny"
                               << "Liberation Sans" << 13 << false;
        QTest::newRow("nRelKmitočet") << "nRelKmitočet"
                                      << "Liberation Sans" << 13 << true;
        QTest::newRow("nCornu") << "nCornu"
                                << "Liberation Sans" << 16 << false;
        QTest::newRow("nMřížka") << "nMřížka"
                                 << "Liberation Sans" << 16 << false;
        QTest::newRow("op2, default font") << "op2"
                                           << "Liberation Sans" << 11 << false;
    }
    void fonts()
    {
        QFETCH(QString, name);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(bool, bold);
        const std::unique_ptr<Window> window = createWindow();
        const QFont font = widget(*window, name)->font();
        const QFontInfo info(font);
        QCOMPARE(info.family(), family);
        QCOMPARE(info.pixelSize(), pixels);
        QCOMPARE(info.bold(), bold);
        const QFontMetrics metrics(font);
        for (const QChar c : QStringLiteral("áčéěířůýžďťňÁČÉĚÍŘŮÝŽ"))
            QVERIFY2(metrics.inFont(c), qPrintable(QString(c)));
    }

    void startUpState_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("relative");
        QTest::newRow("point locale") << QLocale::c() << "3.18";
        QTest::newRow("Czech, comma") << QLocale(QLocale::Czech, QLocale::CzechRepublic) << "3,18";
    }
    void startUpState()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, relative);
        ShownProgram shown(locale);
        Window& w = shown.window();
        QCOMPARE(shown.ui().text(Field::Ndirek), QStringLiteral("4"));
        QCOMPARE(shown.ui().text(Field::Kmitocet), QStringLiteral("20"));
        QCOMPARE(shown.ui().text(Field::RelKmitocet), relative);
        QCOMPARE(shown.ui().text(Field::Spomaleni), QStringLiteral("1"));
        QVERIFY(widget<QRadioButton>(w, QStringLiteral("op4Dírky"))->isChecked());
        for (const char* other : { "op2", "op3Dirky", "op20" })
            QVERIFY(!widget<QRadioButton>(w, QString::fromUtf8(other))->isChecked());
        QVERIFY(shown.ui().bar(Bar::Kmitocet)->isVisible());
        QCOMPARE(shown.ui().value(Bar::Kmitocet), 0);
        QVERIFY(!shown.ui().bar(Bar::Kmitocet20)->isVisible());
        QCOMPARE(shown.ui().bar(Bar::Kmitocet20)->maximum(), 10);
        QCOMPARE(shown.ui().value(Bar::Spomaleni), 0);
        QVERIFY(shown.sink.messages.isEmpty());

        const QStringList expected { "HScrollKmitočet", "HScrollSpomaleni", "Picture1", "cmdKonec", "cmdStart",
            "labKlepnete", "nCornu", "nMřížka", "nNomKmitočet", "nRelKmitočet", "nSměs", "nTitul", "nVlny", "op20",
            "op2", "op3Dirky", "op4Dírky" };
        QStringList sorted = expected;
        sorted.sort();
        QCOMPARE(visibleWidgetNames(w), sorted);
        QCOMPARE(sorted.size(), 17);
    }

    void firstViewIsEmpty()
    {
        ShownProgram shown;
        const QImage image = shown.canvas().snapshot();
        const QRect label(3120 / 15, 4080 / 15, 3255 / 15, 495 / 15);
        int prompt = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
                if (label.contains(x, y))
                    prompt += pixel != greyRgb ? 1 : 0;
                else
                    QCOMPARE(pixel, greyRgb);
            }
        }
        QVERIFY2(prompt > 200, qPrintable(QString::number(prompt)));
        // The window shows it: drawing shows around the widgets.
        const QImage grab = shown.window().grab().toImage();
        QCOMPARE(grab.pixel(500 / 15, 1700 / 15) & 0xFFFFFF, greyRgb);
    }

    void illustrationInPicture1()
    {
        ShownProgram shown;
        const QImage grab = shown.window().grab().toImage();
        const QPoint origin(5640 / 15, 600 / 15);
        QCOMPARE(grab.pixel(origin + QPoint(0, 0)) & 0xFFFFFF, qRgb(191, 192, 191) & 0xFFFFFF);
        QCOMPARE(grab.pixel(origin + QPoint(198, 60)) & 0xFFFFFF, 0xFFFFFFu);
        QCOMPARE(grab.pixel(origin + QPoint(137, 3)) & 0xFFFFFF, qRgb(0, 143, 223) & 0xFFFFFF);
        QCOMPARE(grab.pixel(origin + QPoint(90, 3)) & 0xFFFFFF, qRgb(176, 216, 127) & 0xFFFFFF);
        QCOMPARE(grab.pixel(origin + QPoint(36, 2)) & 0xFFFFFF, qRgb(224, 119, 112) & 0xFFFFFF);
        QCOMPARE(grab.pixel(origin + QPoint(100, 54)) & 0xFFFFFF, qRgb(31, 24, 16) & 0xFFFFFF);
    }

    void magnifiedLayout_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("stored size: 1:1") << QSize(758, 571) << 1.0 << QPoint(0, 0);
        QTest::newRow("wider: more of the surface at 1:1") << QSize(800, 600) << 1.0 << QPoint(0, 14);
        QTest::newRow("1.5") << QSize(1200, 857) << 1.5 << QPoint(0, 0);
        QTest::newRow("2, centred across") << QSize(1700, 1142) << 2.0 << QPoint(50, 0);
        QTest::newRow("1.8914, centred across") << QSize(1600, 1080) << 1080 / 571.0 << QPoint(43, 0);
        QTest::newRow("a page smaller than the window: shrunk whole") << QSize(379, 300) << 0.5 << QPoint(0, 7);
    }
    void magnifiedLayout()
    {
        QFETCH(QSize, size);
        QFETCH(double, zoom);
        QFETCH(QPoint, origin);
        ShownProgram shown;
        Window& w = shown.window();
        w.setMinimumSize(0, 0); // as in the browser, whose page may be smaller
        w.resize(size);
        QCOMPARE(w.zoom(), zoom);
        QCOMPARE(w.contentOrigin(), origin);
        const auto edge = [&](int twips) { return int(std::lround(twips * zoom / 15)); };
        const auto expected = [&](QRect twips) {
            return QRect(QPoint(edge(twips.left()), edge(twips.top())) + origin,
                QPoint(edge(twips.left() + twips.width()), edge(twips.top() + twips.height())) + origin - QPoint(1, 1));
        };
        // Every widget at its twips × zoom / 15 from the content's origin; an
        // option button relative to its frame.
        const QRect frame(1440, 600, 2295, 615);
        const QPoint frameAt = expected(frame).topLeft();
        for (const auto& [name, twips, inFrame] : std::initializer_list<std::tuple<const char*, QRect, bool>> {
                 { "nTitul", { 3720, 0, 2535, 405 }, false }, { "cmdStart", { 8880, 120, 855, 375 }, false },
                 { "HScrollSpomaleni", { 6360, 120, 1935, 255 }, false }, { "nNomKmitočet", frame, false },
                 { "op20", { 1680, 240, 495, 195 }, true }, { "Picture1", { 5640, 600, 5895, 2055 }, false },
                 { "nVlny", { 480, 2040, 3615, 285 }, false }, { "nMřížka", { 6240, 8160, 2415, 285 }, false } }) {
            QWidget* child = widget(w, QString::fromUtf8(name));
            const QRect at
                = inFrame ? expected(twips.translated(frame.topLeft())).translated(-frameAt) : expected(twips);
            QCOMPARE(child->geometry(), at);
        }
        // The style's own sizes grow with the widgets.
        QStyle* base = QApplication::style();
        for (const QStyle::PixelMetric metric : { QStyle::PM_ExclusiveIndicatorWidth, QStyle::PM_ScrollBarExtent })
            QCOMPARE(widget(w, QStringLiteral("op2"))->style()->pixelMetric(metric),
                int(std::lround(base->pixelMetric(metric) * zoom)));
        // The fonts too, so no caption is clipped (a line edit keeps 2 pixels
        // each side, fewer where the window shrinks).
        const int margin = int(std::lround(2 * std::min(zoom, 1.0)));
        for (auto* edit : w.findChildren<QLineEdit*>()) {
            if (!edit->isVisible())
                continue;
            QVERIFY2(edit->fontMetrics().horizontalAdvance(edit->text()) <= edit->width() - 2 * margin,
                qPrintable(edit->text()));
        }
        // 19 pixels at the stored size, at a fractional size when the zoom is.
        const QFont title = widget(w, QStringLiteral("nTitul"))->font();
        const double pixels = title.pixelSize() > 0 ? title.pixelSize() : title.pointSizeF() * w.logicalDpiY() / 72;
        QVERIFY2(std::abs(pixels - 19 * zoom) < 1e-9, qPrintable(title.toString()));
        // The option buttons on the window's grey, inside the frame's border.
        const QImage grab = w.grab().toImage();
        std::vector<QRect> options;
        for (const char* name : { "op2", "op3Dirky", "op4Dírky", "op20" }) {
            const QWidget* option = widget(w, QString::fromUtf8(name));
            options.emplace_back(option->mapTo(&w, QPoint(0, 0)), option->size());
        }
        // (Shrunk, an indicator of 6 pixels is all dot and ring, no white
        // to tell its end by: these looks are checked at 1 and more.)
        for (const QRect& option : options) {
            const QString problem = zoom < 1 ? QString() : optionBackgroundProblem(grab, option, options);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
        const QString frameWrong = frameProblem(grab, widget(w, QStringLiteral("nNomKmitočet"))->geometry(), options);
        QVERIFY2(frameWrong.isEmpty(), qPrintable(frameWrong));
        // The illustration in whole blocks, the blue peak where the zoom puts it.
        const QPoint picture = widget(w, QStringLiteral("Picture1"))->geometry().topLeft();
        QCOMPARE(grab.pixel(picture + QPoint(int((137 + 0.5) * zoom), int((45 + 0.5) * zoom))) & 0xFFFFFF,
            qRgb(0, 143, 223) & 0xFFFFFF);
        // The accessible extent is where the widget is on screen.
        QAccessibleInterface* start = QAccessible::queryAccessibleInterface(widget(w, QStringLiteral("cmdStart")));
        QCOMPARE(start->rect(),
            QRect(
                w.mapToGlobal(expected({ 8880, 120, 855, 375 }).topLeft()), expected({ 8880, 120, 855, 375 }).size()));
    }

    void pictureDrawnAgainAtANewZoom_data()
    {
        QTest::addColumn<QString>("structure");
        QTest::addColumn<QSize>("first");
        QTest::addColumn<QSize>("then");
        QTest::newRow("4 openings, 1 then 2") << "4" << QSize(758, 571) << QSize(1600, 1142);
        QTest::newRow("20 openings, 2 then 1") << "20" << QSize(1600, 1142) << QSize(758, 571);
        QTest::newRow("2 openings, 1 then 1.8914") << "2" << QSize(758, 571) << QSize(1600, 1080);
    }
    void pictureDrawnAgainAtANewZoom()
    {
        // A run drawn at one zoom and the window resized gives the picture of
        // the same run drawn at the new zoom from the start, pixel for pixel.
        QFETCH(QString, structure);
        QFETCH(QSize, first);
        QFETCH(QSize, then);
        QImage pictures[2];
        for (const bool resizedAfter : { true, false }) {
            ShownProgram shown;
            shown.window().resize(resizedAfter ? first : then);
            shown.ui().setText(Field::Ndirek, structure);
            shown.ui().setText(Field::Spomaleni, QStringLiteral("0"));
            shown.run(cmdStartClick);
            shown.run(hScrollKmitocetChange);
            if (resizedAfter)
                shown.window().resize(then);
            pictures[resizedAfter ? 0 : 1] = shown.canvas().snapshot();
            QVERIFY(shown.sink.messages.isEmpty());
        }
        QCOMPARE(pictures[0].size(), pictures[1].size());
        QVERIFY(pictures[0] == pictures[1]);
    }

    void pictureSurvivesRepaints()
    {
        ShownProgram shown;
        Window& w = shown.window();
        shown.run(op2Click);
        shown.run(cmdStartClick);
        QCoreApplication::processEvents();
        const QImage before = w.grab().toImage();
        QCOMPARE(before.pixel(9050 / 15, 5000 / 15) & 0xFFFFFF, blackRgb);
        w.repaint();
        QCOMPARE(w.grab().toImage(), before);
        w.showMinimized();
        QCoreApplication::processEvents();
        w.showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.grab().toImage(), before);
        w.update();
        QCoreApplication::processEvents();
        QCOMPARE(w.grab().toImage(), before);
    }

    void shrunkWindowRepaintsWhatAHandlerDrew()
    {
        // A page smaller than the window shows the surface at half its
        // pixels: what a handler drew is repainted where it shows.
        ShownProgram shown;
        Window& w = shown.window();
        w.setMinimumSize(0, 0);
        w.resize(379, 300);
        QCOMPARE(w.zoom(), 0.5);
        // The first handler's drawing settles what is left of start-up.
        shown.run([](Ui& ui) { ui.line(9000, 5000, 9000, 6000); });
        QTest::qWait(100);
        QRegion painted;
        EventWatch watch(&w, [&](QEvent* event) {
            if (event->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(event)->region();
        });
        shown.run([](Ui& ui) { ui.line(10000, 5000, 10000, 6000); });
        QTRY_VERIFY(painted.contains(QPoint(10000 / 30, 5500 / 30 + w.contentOrigin().y())));
    }

    void drawingWhileHiddenIsDropped()
    {
        ShownProgram shown;
        shown.window().hide();
        shown.run(op20Click);
        shown.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown.window()));
        QCOMPARE(shown.ui().text(Field::RelKmitocet), QStringLiteral("2.39"));
        QCOMPARE(surfacePixel(shown.canvas(), 500 / 15 + 1, 1700 / 15), greyRgb);
    }

    void childProcess_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("status");
        QTest::newRow("an error: message box, then exit 1") << "error" << 1;
        QTest::newRow("Konec: exit 0") << "konec" << 0;
        QTest::newRow("close command: exit 0") << "close" << 0;
        QTest::newRow("moved to a screen of ratio 2: drawn again") << "ratio" << 0;
    }
    void childProcess()
    {
        QFETCH(QString, mode);
        QFETCH(int, status);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BRELON_TEST_CHILD"), mode);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const QTemporaryDir folder;
        if (mode == u"ratio") {
            // Two screens side by side, the second scaled by 2, as a desktop
            // scales a screen of twice the resolution.
            QFile screens(folder.filePath(QStringLiteral("screens.json")));
            QVERIFY(screens.open(QIODevice::WriteOnly));
            screens.write(R"({ "screens": [
                { "name": "one", "x": 0, "y": 0, "width": 1920, "height": 1080 },
                { "name": "two", "x": 1920, "y": 0, "width": 3840, "height": 2160 } ] })");
            screens.close();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + screens.fileName());
            env.insert(QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("one=1;two=2"));
        }
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), status);
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        if (mode == u"error") {
            QVERIFY2(out.contains(QStringLiteral("message: Chyba převodu")), qPrintable(out));
            QVERIFY2(out.contains(QStringLiteral("kept: yes")), qPrintable(out));
        } else if (mode == u"ratio") {
            QVERIFY2(out == QStringLiteral("ratio: 2\nsame: yes\n"), qPrintable(out));
        } else {
            QVERIFY2(out.isEmpty(), qPrintable(out));
        }
    }

    void startFromTheShell_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("says"); // in the one line of a refusal; empty: the program starts
        const auto row = [](const QByteArray& tag, const QStringList& environment, const QStringList& arguments,
                             const QStringList& says) { QTest::newRow(tag) << environment << arguments << says; };
        // A display no X server takes (xvfb-run -a counts up from :99).
        const QString unreachable = QStringLiteral(":999");
        const QString xvfb = QStringLiteral("xvfb-run -a brelon");
        row("DISPLAY unreachable", { "DISPLAY=" + unreachable }, {}, { "X display \":999\"", xvfb });
        row("DISPLAY junk", { "DISPLAY=junk" }, {}, { "X display \"junk\"", xvfb });
        row("only WAYLAND_DISPLAY", { "WAYLAND_DISPLAY=wayland-0" }, {}, { "Wayland display \"wayland-0\"", xvfb });
        row("QT_QPA_PLATFORM junk", { "QT_QPA_PLATFORM=junk" }, {}, { "platform \"junk\" (QT_QPA_PLATFORM)", xvfb });
        row("QT_QPA_PLATFORM wayland", { "QT_QPA_PLATFORM=wayland" }, {}, { "platform \"wayland\"", xvfb });
        row("-display unreachable", {}, { "-display", unreachable }, { "X display \":999\"", xvfb });
        row("-platform junk", { "DISPLAY=" + unreachable }, { "-platform", "junk" },
            { "platform \"junk\" (-platform)", xvfb });
        for (const char* factor : { "0", "nan", "inf", "-1", "0.01", "9" }) {
            row(QByteArray("QT_SCALE_FACTOR ") + factor,
                { "QT_QPA_PLATFORM=offscreen", QStringLiteral("QT_SCALE_FACTOR=") + QLatin1String(factor) }, {},
                { "QT_SCALE_FACTOR", QStringLiteral("\"%1\"").arg(QLatin1String(factor)) });
        }
        row("QT_SCALE_FACTOR 1.5 starts", { "QT_QPA_PLATFORM=offscreen", "QT_SCALE_FACTOR=1.5" }, {}, {});
    }
    void startFromTheShell()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, says);
        // Only the row's variables, a runtime folder without a Wayland
        // compositor's socket, and a UTF-8 locale, as every desktop has.
        const QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        for (const QString& variable : environment)
            env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QStringLiteral(BRELON_BINARY), arguments);
        QVERIFY2(child.waitForStarted(10000), qPrintable(child.errorString()));
        if (says.isEmpty()) {
            const bool ended = child.waitForFinished(1000);
            const QString err = QString::fromLocal8Bit(child.readAllStandardError());
            child.kill();
            child.waitForFinished(10000);
            QVERIFY2(!ended, qPrintable(err));
            QVERIFY2(err.isEmpty(), qPrintable(err));
            return;
        }
        QVERIFY2(child.waitForFinished(10000), "the program did not end");
        const QString err = QString::fromLocal8Bit(child.readAllStandardError());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        QVERIFY2(err.startsWith(u"brelon: ") && err.count(u'\n') == 1 && err.endsWith(u'\n'), qPrintable(err));
        for (const QString& part : says)
            QVERIFY2(err.contains(part), qPrintable(err));
    }
};

int main(int argc, char** argv)
{
    const QByteArray mode = qgetenv("BRELON_TEST_CHILD");
    if (!mode.isEmpty())
        return childMain(argc, argv, mode);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    TestWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window.moc"
