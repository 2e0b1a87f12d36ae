// SPDX-License-Identifier: GPL-3.0-or-later

// Robustness of the running program: many drawing runs in one process
// without the resident memory growing, junk typed into the visible text
// fields running no program code, and bad texts in the hidden parameter
// fields ending through the error path in bounded time.

#include "diffraction/start.h"
#include "surface/window/scrollbar.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>

#include <unistd.h>

#include <array>

using namespace brelon;
using namespace brelon::test;

#if defined(__SANITIZE_ADDRESS__)
#define BRELON_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRELON_UNDER_ASAN 1
#endif
#endif

namespace {

constexpr std::array<Option, 4> allOptions { Option::Op2, Option::Op3, Option::Op4, Option::Op20 };
constexpr std::array<Bar, 3> allBars { Bar::Kmitocet, Bar::Kmitocet20, Bar::Spomaleni };
constexpr std::array<Field, 4> allFields { Field::Kmitocet, Field::RelKmitocet, Field::Ndirek, Field::Spomaleni };

/// Resident set size of this process in bytes, or -1 when it cannot be read.
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> numbers = statm.readAll().simplified().split(' ');
    if (numbers.size() < 2)
        return -1;
    bool ok = false;
    const qint64 pages = numbers[1].toLongLong(&ok);
    return ok ? pages * sysconf(_SC_PAGESIZE) : -1;
}

/// What the user can change with the mouse and the keyboard, besides the text
/// in the visible fields: the parameter texts, the selection and the bars.
struct Controls {
    std::array<QString, 4> texts;
    std::array<bool, 4> selected {};
    std::array<int, 3> values {};
    std::array<bool, 3> visible {};

    explicit Controls(ShownProgram& shown)
    {
        for (Field f : allFields)
            texts[size_t(f)] = shown.ui().text(f);
        for (Option o : allOptions)
            selected[size_t(o)] = shown.ui().option(o)->isChecked();
        for (Bar b : allBars) {
            values[size_t(b)] = shown.ui().bar(b)->value();
            visible[size_t(b)] = shown.ui().bar(b)->isVisible();
        }
    }
};

/// One key press and release per piece of \a text, each carrying \a perKey
/// characters (a surrogate pair is never split), as a keyboard or an input
/// method delivers it. Letters outside Latin-1 cannot go through
/// QTest::keyClicks, which sends Latin-1 only.
void typeText(QWidget* widget, const QString& text, qsizetype perKey = 1)
{
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype n = std::min(perKey, text.size() - i);
        if (text[i + n - 1].isHighSurrogate() && i + n < text.size())
            ++n;
        const QString piece = text.mid(i, n);
        const char16_t first = piece.size() == 1 ? piece[0].unicode() : u'\0';
        if (first >= 0x20 && first < 0x7f)
            QTest::keyClicks(widget, piece);
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, piece, Qt::NoModifier);
        i += n;
    }
}

/// A key that is not text: Tab, Return, Enter, Escape.
void pressKey(QWidget* widget, Qt::Key key, QChar character)
{
    QTest::sendKeyEvent(QTest::Click, widget, key, QString(character), Qt::NoModifier);
}

QString longText()
{
    // Latin and Czech letters, digits, blanks and punctuation, so the field
    // shapes something more than one repeated glyph.
    const QString pattern = QStringLiteral("Difrakce na mřížce 0123456789, ČŘŽ ďťň – ");
    QString text;
    text.reserve(40'000);
    while (text.size() < 40'000)
        text += pattern;
    text.truncate(40'000);
    return text;
}

enum class Junk { Long, Czech, Cyrillic, Chinese, Arabic, Emoji, Invisible, ControlKeys };

/// Types \a junk into \a edit and returns the text the field must hold then.
QString typeJunk(QLineEdit* edit, Junk junk)
{
    switch (junk) {
    case Junk::Long: {
        QString text = longText();
        // The first thousand characters a key at a time, the rest in larger
        // pieces: a key per character would relayout the whole line each time.
        typeText(edit, text.left(1000));
        typeText(edit, text.mid(1000), 1000);
        // The field keeps the toolkit's default limit: no caption comes near
        // it, and an unbounded text made the idle window's cursor blink costly.
        return text.left(32'767);
    }
    case Junk::Czech: {
        QString text = QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy ĚŠČŘŽÝÁÍÉÚŮ");
        typeText(edit, text);
        return text;
    }
    case Junk::Cyrillic: {
        QString text = QStringLiteral("Съешь же ещё этих мягких французских булок");
        typeText(edit, text);
        return text;
    }
    case Junk::Chinese: {
        QString text = QStringLiteral("光的衍射与光栅实验二〇二四");
        typeText(edit, text);
        return text;
    }
    case Junk::Arabic: {
        QString text = QStringLiteral("حيود الضوء ١٢٣٤ عبر الشبكة");
        typeText(edit, text);
        return text;
    }
    case Junk::Emoji: {
        // Astral characters, a skin tone modifier and a joined family.
        QString text = QStringLiteral("🌈👍🏽👨‍👩‍👧‍👦🔬💡🇨🇿");
        typeText(edit, text);
        return text;
    }
    case Junk::Invisible: {
        // Zero-width space, right-to-left override, byte order mark, soft
        // hyphen, combining marks, a line and a paragraph separator.
        QString text = QStringLiteral("a\u200Bb\u202Ec\uFEFFd\u00ADe\u0301\u0308f\u2028g\u2029h");
        typeText(edit, text);
        return text;
    }
    case Junk::ControlKeys: {
        // Keys and control characters that are no text: the field keeps only
        // the letters around them.
        typeText(edit, QStringLiteral("ab"));
        pressKey(edit, Qt::Key_Tab, u'\t');
        typeText(edit, QStringLiteral("cd"));
        pressKey(edit, Qt::Key_Return, u'\r');
        pressKey(edit, Qt::Key_Enter, u'\n');
        pressKey(edit, Qt::Key_Escape, QChar(0x1b));
        typeText(edit, QStringLiteral("e\u0001\u0007\u001b\u007f\u0085f\u0000g"));
        return QStringLiteral("abcdefg");
    }
    }
    return {};
}

} // namespace

class TestRobust : public QObject {
    Q_OBJECT
private slots:
    void fiftyRunsKeepTheMemory()
    {
#ifdef BRELON_UNDER_ASAN
        QSKIP("the sanitizer's shadow memory and quarantine make the resident size meaningless");
#endif
        ShownProgram shown;
        WindowUi& ui = shown.ui();
        ui.setText(Field::Spomaleni, QStringLiteral("0"));
        const QString structures[]
            = { QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("20") };

        qint64 afterWarmUp = -1;
        QElapsedTimer timer;
        timer.start();
        for (int run = 0; run < 50; ++run) {
            const size_t k = size_t(run) % allOptions.size();
            // The structure as the user picks it (its handler resets the
            // frequency), then a frequency from the bar that is shown.
            ui.option(allOptions[k])->click();
            QCOMPARE(ui.text(Field::Ndirek), structures[k]);
            if (allOptions[k] == Option::Op20)
                ui.bar(Bar::Kmitocet20)->setValue(run % 11);
            else
                ui.bar(Bar::Kmitocet)->setValue((run * 37) % 181);
            shown.run(cmdStartClick);
            QCOMPARE(ui.pacer().decrements(), 0LL);
            QVERIFY2(shown.sink.messages.isEmpty(), qPrintable(shown.sink.messages.join(u'\n')));
            QCoreApplication::processEvents();
            if (run == 4) {
                afterWarmUp = residentBytes();
                QVERIFY(afterWarmUp > 0);
            }
        }
        const qint64 afterAll = residentBytes();
        QVERIFY(afterAll > 0);
        const qint64 growth = afterAll - afterWarmUp;
        constexpr qint64 maxGrowth = qint64(2) << 20;
        qInfo("resident after 5 runs: %lld KiB, after 50 runs: %lld KiB, growth %lld KiB (%lld ms for the 50)",
            afterWarmUp / 1024, afterAll / 1024, growth / 1024, timer.elapsed());
        QVERIFY2(growth < maxGrowth, qPrintable(QStringLiteral("grew by %1 KiB").arg(growth / 1024)));
    }

    void junkInVisibleFieldsRunsNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("junk");
        const char* const fields[] = { "nTitul", "nVlny", "nRelKmitočet", "nSměs", "nCornu", "nMřížka" };
        const std::pair<Junk, const char*> kinds[] = {
            { Junk::Long, "40 000 characters, 32 767 kept" },
            { Junk::Czech, "Czech" },
            { Junk::Cyrillic, "Cyrillic" },
            { Junk::Chinese, "Chinese" },
            { Junk::Arabic, "Arabic" },
            { Junk::Emoji, "emoji" },
            { Junk::Invisible, "invisible and combining" },
            { Junk::ControlKeys, "control keys" },
        };
        for (const char* field : fields) {
            for (const auto& [junk, label] : kinds) {
                const QByteArray tag = QByteArray(field) + ", " + label;
                QTest::newRow(tag.constData()) << QString::fromUtf8(field) << int(junk);
            }
        }
    }
    void junkInVisibleFieldsRunsNothing()
    {
        QFETCH(QString, name);
        QFETCH(int, junk);
        ShownProgram shown;
        auto* edit = shown.window().findChild<QLineEdit*>(name);
        QVERIFY(edit);
        QVERIFY(edit->isVisible());
        QVERIFY(!edit->isReadOnly());
        const Controls before(shown);
        Canvas& canvas = shown.canvas();
        QCoreApplication::processEvents();
        canvas.takeDirty();
        const QImage picture = canvas.snapshot();
        const long long paintCalls = canvas.paintCalls();

        // Click into the field, select its caption and type over it.
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(edit->selectedText(), edit->text());
        const QString expected = typeJunk(edit, Junk(junk));
        QCoreApplication::processEvents();

        QVERIFY2(shown.sink.messages.isEmpty(), qPrintable(shown.sink.messages.join(u'\n')));
        // Nothing drawn: a handler run through the program would have taken
        // the dirty region to show it, so the painter calls and the pixels
        // are compared as well.
        QVERIFY(canvas.takeDirty().isEmpty());
        QCOMPARE(canvas.paintCalls(), paintCalls);
        QVERIFY(canvas.snapshot() == picture);
        const Controls after(shown);
        for (Field f : allFields) {
            if (shown.ui().field(f) != edit)
                QCOMPARE(after.texts[size_t(f)], before.texts[size_t(f)]);
        }
        QCOMPARE(after.selected, before.selected);
        QCOMPARE(after.values, before.values);
        QCOMPARE(after.visible, before.visible);
        QCOMPARE(edit->text().size(), expected.size());
        QVERIFY(edit->text() == expected);

        // Start reads only the hidden fields: it draws as usual, the junk stays
        // (nRelKmitočet is refreshed at the end of the run).
        shown.run(cmdStartClick);
        QVERIFY2(shown.sink.messages.isEmpty(), qPrintable(shown.sink.messages.join(u'\n')));
        QCOMPARE(shown.ui().pacer().decrements(), 11951LL);
        QCOMPARE(surfacePixel(canvas, 2000 / 15, 8000 / 15), blackRgb);
        QCOMPARE(surfacePixel(canvas, 9300 / 15, 8300 / 15), whiteRgb);
        QCOMPARE(shown.ui().text(Field::RelKmitocet), QStringLiteral("3.18"));
        if (edit != shown.ui().field(Field::RelKmitocet))
            QVERIFY(edit->text() == expected);
    }

    void badHiddenFields_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // the start of the error, empty for none
        QTest::addColumn<QString>("relative"); // nRelKmitočet afterwards
        QTest::addColumn<int>("openings"); // openings cut into the aperture, -1 unchecked
        const int f = int(Field::Kmitocet), n = int(Field::Ndirek), s = int(Field::Spomaleni);
        const QString conversion = QStringLiteral("Chyba převodu"), overflow = QStringLiteral("Přetečení");
        const QString none, same = QStringLiteral("3.18");
        QTest::newRow("frequency blank") << f << " " << conversion << same << -1;
        QTest::newRow("frequency beyond double") << f << "1e400" << overflow << same << -1;
        QTest::newRow("frequency 1e300: overflow in the scene") << f << "1e300" << overflow << same << -1;
        QTest::newRow("frequency negative: mirror image") << f << "-20" << none << "-3.18" << 4;
        QTest::newRow("frequency NaN") << f << "NaN" << conversion << same << -1;
        QTest::newRow("frequency inf") << f << "inf" << conversion << same << -1;
        QTest::newRow("frequency 0") << f << "0" << none << "." << 4;
        QTest::newRow("frequency below double: 0") << f << "1e-400" << none << "." << 4;
        QTest::newRow("frequency with a comma") << f << "20,5" << conversion << same << -1;
        QTest::newRow("frequency in Arabic digits") << f << "٢٠" << conversion << same << -1;
        QTest::newRow("structure negative: no opening") << n << "-3" << none << same << 0;
        QTest::newRow("structure fractional") << n << "2.5" << none << same << 2;
        QTest::newRow("structure in blanks") << n << " 4 " << none << same << 4;
        QTest::newRow("structure empty") << n << "" << conversion << same << -1;
        QTest::newRow("structure beyond 16 bits") << n << "40000" << overflow << same << -1;
        QTest::newRow("slowdown negative: no pause") << s << "-1" << none << same << 4;
        QTest::newRow("slowdown a half") << s << "0.5" << none << same << 4;
        QTest::newRow("slowdown beyond double") << s << "1e400" << overflow << same << 4;
        QTest::newRow("slowdown NaN") << s << "NaN" << conversion << same << 4;
    }
    void badHiddenFields()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, relative);
        QFETCH(int, openings);
        ShownProgram shown;
        shown.ui().setText(Field(field), text);
        QElapsedTimer timer;
        timer.start();
        shown.run(cmdStartClick);
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed < 20'000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
        if (message.isEmpty()) {
            QVERIFY2(shown.sink.messages.isEmpty(), qPrintable(shown.sink.messages.join(u'\n')));
        } else {
            QCOMPARE(shown.sink.messages.size(), 1);
            QVERIFY2(shown.sink.messages.front().startsWith(message), qPrintable(shown.sink.messages.front()));
        }
        QCOMPARE(shown.ui().text(Field::RelKmitocet), relative);
        QCOMPARE(shown.ui().text(Field(field)), text);
        if (openings >= 0) {
            // Each opening is a grey disc cut into the black aperture line,
            // with a white stub below it: look just right of the stub.
            Canvas& canvas = shown.canvas();
            const int aperture = TwipScale().pixel(8000) + 1, belowAperture = TwipScale().pixel(8100);
            for (int m = 0; m <= openings; ++m) {
                const int x = TwipScale().pixel(9000 + 100 * m);
                const bool cut = m < openings;
                QCOMPARE(surfacePixel(canvas, x + 3, aperture), cut ? greyRgb : blackRgb);
                QCOMPARE(surfacePixel(canvas, x, belowAperture), cut ? whiteRgb : greyRgb);
            }
        }
        if (Field(field) == Field::Spomaleni && message.isEmpty())
            QCOMPARE(shown.ui().pacer().decrements(), text.toDouble() > 0 ? 11951LL : 0LL);
    }
};

BRELON_WIDGET_TEST_MAIN(TestRobust)
#include "tst_robust.moc"
